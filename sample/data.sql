-- Sample database: rows.
--
-- Deterministic data in the spirit of the Db2 SAMPLE database. It covers
-- NULLs in text, date, timestamp, numeric, integer and bytea columns,
-- apostrophes (O'Brien, O'CONNELL), non-ASCII text (Zoë, Müller, Łódź, 東京),
-- a text of more than 2000 characters (EMP_RESUME), numeric(9,2) amounts,
-- dates, timestamps, smallint, integer and bigint values.
--
-- Row counts: DEPARTMENT 14, EMPLOYEE 40, EMPLOYEE_HISTORY 12, PROJECT 20,
-- ACTIVITY 18, PROJACT 33, EMPPROJACT 43, SALES 40, EMP_PHOTO 3,
-- EMP_RESUME 4; TOOLS.CATEGORY 2, TOOLS.TOOL 4.

SET ROLE dorvane;
SET client_encoding = 'UTF8';
SET standard_conforming_strings = on;

INSERT INTO db2inst1.department (deptno, deptname, mgrno, admrdept, location) VALUES
    ('A00', 'SPIFFY COMPUTER SERVICE DIV.', '000010', 'A00', 'New York'),
    ('B01', 'PLANNING',                     '000020', 'A00', 'New York'),
    ('C01', 'INFORMATION CENTER',           '000030', 'A00', 'San José'),
    ('D01', 'DEVELOPMENT CENTER',           NULL,     'A00', NULL),
    ('D11', 'MANUFACTURING SYSTEMS',        '000060', 'D01', 'Toronto'),
    ('D21', 'ADMINISTRATION SYSTEMS',       '000070', 'D01', 'Toronto'),
    ('E01', 'SUPPORT SERVICES',             '000050', 'A00', 'Chicago'),
    ('E11', 'OPERATIONS',                   '000090', 'E01', 'Chicago'),
    ('E21', 'SOFTWARE SUPPORT',             '000100', 'E01', 'Austin'),
    ('F22', 'BRANCH OFFICE F2',             '000350', 'E01', 'Łódź'),
    ('G22', 'BRANCH OFFICE G2',             '000380', 'E01', '東京'),
    ('H22', 'BRANCH OFFICE H2',             NULL,     'E01', 'Zürich'),
    ('I22', 'BRANCH OFFICE I2',             NULL,     'E01', NULL),
    ('J22', 'BRANCH OFFICE J2',             NULL,     'E01', 'Dublin');

INSERT INTO db2inst1.employee
    (empno, firstnme, midinit, lastname, workdept, phoneno, hiredate, job, edlevel, sex, birthdate, salary, bonus, comm) VALUES
    ('000010', 'CHRISTINE', 'I',  'HAAS',       'A00', '3978', DATE '1995-01-01', 'PRES',     18, 'F', DATE '1963-08-24', 152750.00, 1000.00, 4220.00),
    ('000020', 'MICHAEL',   'L',  'THOMPSON',   'B01', '3476', DATE '2003-10-10', 'MANAGER',  18, 'M', DATE '1978-02-02',  94250.00,  800.00, 3300.00),
    ('000030', 'SALLY',     'A',  'KWAN',       'C01', '4738', DATE '2005-04-05', 'MANAGER',  20, 'F', DATE '1971-05-11',  98250.00,  800.00, 3060.00),
    ('000050', 'JOHN',      'B',  'GEYER',      'E01', '6789', DATE '1979-08-17', 'MANAGER',  16, 'M', DATE '1955-09-15',  80175.00,  800.00, 3214.00),
    ('000060', 'IRVING',    'F',  'STERN',      'D11', '6423', DATE '2003-09-14', 'MANAGER',  16, 'M', DATE '1975-07-07',  72250.00,  500.00, 2580.00),
    ('000070', 'EVA',       'D',  'PULASKI',    'D21', '7831', DATE '2005-09-30', 'MANAGER',  16, 'F', DATE '1973-05-26',  96170.00,  700.00, 2893.00),
    ('000090', 'EILEEN',    'W',  'HENDERSON',  'E11', '5498', DATE '2000-08-15', 'MANAGER',  16, 'F', DATE '1971-05-15',  89750.00,  600.00, 2380.00),
    ('000100', 'THEODORE',  'Q',  'SPENSER',    'E21', '0972', DATE '2000-06-19', 'MANAGER',  14, 'M', DATE '1980-12-18',  86150.00,  500.00, 2092.00),
    ('000110', 'VINCENZO',  'G',  'LUCCHESSI',  'A00', '3490', DATE '1988-05-16', 'SALESREP', 19, 'M', DATE '1959-11-05',  66500.00,  900.00, 3720.00),
    ('000120', 'SEAN',      NULL, 'O''CONNELL', 'A00', '2167', DATE '1993-12-05', 'CLERK',    14, 'M', DATE '1972-10-18',  49250.00,  600.00, 2340.00),
    ('000130', 'DELORES',   'M',  'QUINTANA',   'C01', '4578', DATE '2001-07-28', 'ANALYST',  16, 'F', DATE '1955-09-15',  73800.00,  500.00, 1904.00),
    ('000140', 'HEATHER',   'A',  'NICHOLLS',   'C01', '1793', DATE '2006-12-15', 'ANALYST',  18, 'F', DATE '1976-01-19',  68420.00,  600.00, 2274.00),
    ('000150', 'BRUCE',     NULL, 'ADAMSON',    'D11', '4510', DATE '2002-02-12', 'DESIGNER', 16, 'M', DATE '1977-05-17',  55280.00,  500.00, 2022.00),
    ('000160', 'ELIZABETH', 'R',  'PIANKA',     'D11', '3782', DATE '2006-10-11', 'DESIGNER', 17, 'F', DATE '1980-04-12',  62250.00,  400.00, 1780.00),
    ('000170', 'MASATOSHI', 'J',  'YOSHIMURA',  'D11', '2890', DATE '1999-09-15', 'DESIGNER', 16, 'M', DATE '1981-01-05',  44680.00,  500.00, 1974.00),
    ('000180', 'MARILYN',   'S',  'SCOUTTEN',   'D11', '1682', DATE '2003-07-07', 'DESIGNER', 17, 'F', DATE '1979-02-21',  51340.00,  500.00, 1707.00),
    ('000190', 'JAMES',     'H',  'WALKER',     'D11', '2986', DATE '2004-07-26', 'DESIGNER', 16, 'M', DATE '1982-06-25',  50450.00,  400.00, 1636.00),
    ('000200', 'DAVID',     NULL, 'BROWN',      'D11', '4501', DATE '2002-03-03', 'DESIGNER', 16, 'M', DATE '1971-05-29',  57740.00,  600.00, 2217.00),
    ('000210', 'WILLIAM',   'T',  'JONES',      'D11', '0942', DATE '1998-04-11', 'DESIGNER', 17, 'M', DATE '1973-02-23',  68270.00,  400.00, 1462.00),
    ('000220', 'JENNIFER',  'K',  'LUTZ',       'D11', '0672', DATE '1998-08-29', 'DESIGNER', 18, 'F', DATE '1978-03-19',  49840.00,  600.00, 2387.00),
    ('000230', 'JAMES',     'J',  'JEFFERSON',  'D21', '2094', DATE '1996-11-21', 'CLERK',    14, 'M', DATE '1980-05-30',  42180.00,  400.00, 1774.00),
    ('000240', 'SALVATORE', 'M',  'MARINO',     'D21', '3780', DATE '2004-12-05', 'CLERK',    17, 'M', DATE '1962-03-31',  48760.00,  600.00, 2301.00),
    ('000250', 'DANIEL',    'S',  'SMITH',      'D21', '0961', DATE '1999-10-30', 'CLERK',    15, 'M', DATE '1969-11-12',  49180.00,  400.00, 1534.00),
    ('000260', 'SYBIL',     'P',  'JOHNSON',    'D21', '8953', DATE '2005-09-11', 'CLERK',    16, 'F', DATE '1976-10-05',  47250.00,  300.00, 1380.00),
    ('000270', 'MARIA',     'L',  'PEREZ',      'D21', '9001', DATE '2006-09-30', 'CLERK',    15, 'F', DATE '1973-05-26',  37380.00,  500.00, 2190.00),
    ('000280', 'ETHEL',     'R',  'SCHNEIDER',  'E11', '8997', DATE '1997-03-24', 'OPERATOR', 17, 'F', DATE '1976-03-28',  36250.00,  500.00, 2100.00),
    ('000290', 'JOHN',      'R',  'PARKER',     'E11', '4502', DATE '2006-05-30', 'OPERATOR', 12, 'M', DATE '1985-07-09',  35340.00,  300.00, 1227.00),
    ('000300', 'PHILIP',    'X',  'SMITH',      'E11', '2095', DATE '2002-06-19', 'OPERATOR', 14, 'M', DATE '1976-10-27',  37750.00,  400.00, 1420.00),
    ('000310', 'MAUDE',     'F',  'SETRIGHT',   'E11', '3332', DATE '1994-09-12', 'OPERATOR', 12, 'F', DATE '1961-04-21',  35900.00,  300.00, 1272.00),
    ('000320', 'RAMLAL',    'V',  'MEHTA',      'E21', '9990', DATE '1995-07-07', 'FIELDREP', 16, 'M', DATE '1962-08-11',  39950.00,  400.00, 1596.00),
    ('000330', 'WING',      NULL, 'LEE',        'E21', '2103', DATE '2006-02-23', 'FIELDREP', 14, 'M', DATE '1971-07-18',  45370.00,  500.00, 2030.00),
    ('000340', 'JASON',     'R',  'GOUNOT',     'E21', '5698', DATE '1977-05-05', 'FIELDREP', 16, 'M', DATE '1956-05-17',  43840.00,  500.00, 1907.00),
    ('000350', 'Zoë',       'A',  'Müller',     'F22', '4411', DATE '2019-03-01', 'ANALYST',  18, 'F', DATE '1990-02-14',  71500.00,     NULL,    NULL),
    ('000360', 'Patrick',   'J',  'O''Brien',   'E21', NULL,   DATE '2020-11-16', 'FIELDREP', 16, 'M', NULL,               52300.50,  250.00,    NULL),
    ('000370', 'Łukasz',    NULL, 'Wójcik',     'F22', '4412', DATE '2021-06-01', 'DESIGNER', 17, 'M', DATE '1993-09-30',  58900.00,  400.00, 1200.00),
    ('000380', '翔太',      NULL, '山田',       'G22', '8100', DATE '2018-04-02', 'MANAGER',  18, 'M', DATE '1985-12-24',  88000.00,  900.00,    NULL),
    ('000390', 'Ingrid',    'S',  'Björk',      'H22', NULL,   DATE '2022-01-10', 'CLERK',    14, 'F', DATE '1998-07-04',  39800.00,     NULL,    NULL),
    ('000400', 'François',  NULL, 'Lefèvre',    'H22', '3391', DATE '2017-09-18', 'SALESREP', 16, 'M', DATE '1979-03-03',  61200.75,  700.00, 3100.25),
    ('000410', 'TEMP',      NULL, 'WORKER',     NULL,  NULL,   NULL,              NULL,       12, NULL, NULL,                  NULL,     NULL,    NULL),
    ('000420', 'Siobhán',   'M',  'O''Sullivan','A00', '3979', DATE '2023-02-01', 'CLERK',    15, 'F', DATE '2000-01-31',  41000.00,  100.00,    0.00);

-- Department managers refer to employees, which refer to departments: the
-- key is added now that both tables are filled.
ALTER TABLE db2inst1.department
    ADD CONSTRAINT fk_department_mgrno FOREIGN KEY (mgrno) REFERENCES db2inst1.employee (empno);

INSERT INTO db2inst1.employee_history (histid, empno, changed_at, approved_at, old_salary, new_salary, note) VALUES
    (9000000001, '000010', TIMESTAMP '2019-01-02 09:00:00',        TIMESTAMP '2019-01-03 14:30:00',        140000.00, 145000.00, 'Annual review'),
    (9000000002, '000010', TIMESTAMP '2020-01-02 09:00:00',        TIMESTAMP '2020-01-06 10:15:00',        145000.00, 152750.00, 'Annual review'),
    (9000000003, '000020', TIMESTAMP '2020-03-15 11:45:30.250000', NULL,                                    90000.00,  94250.00, NULL),
    (9000000004, '000030', TIMESTAMP '2021-07-01 08:30:00',        TIMESTAMP '2021-07-01 16:00:00',         95000.00,  98250.00, 'Promotion to manager'),
    (9000000005, '000120', TIMESTAMP '2021-12-31 23:59:59.999999', TIMESTAMP '2022-01-03 09:00:00',         47000.00,  49250.00, 'Reviewed by O''Connor'),
    (9000000006, '000350', TIMESTAMP '2022-02-14 12:00:00',        NULL,                                    68000.00,  71500.00, 'Zoë moved to the Łódź office'),
    (9000000007, '000360', TIMESTAMP '2022-06-30 17:05:00',        TIMESTAMP '2022-07-01 08:00:00',             NULL,  52300.50, 'Starting salary'),
    (9000000008, '000380', TIMESTAMP '2023-04-01 09:00:00',        TIMESTAMP '2023-04-02 09:00:00',         85000.00,  88000.00, '東京 branch opened'),
    (9000000009, '000400', TIMESTAMP '2023-09-18 10:00:00',        NULL,                                    60000.00,  61200.75, NULL),
    (9000000010, '000420', TIMESTAMP '2024-02-01 09:00:00',        TIMESTAMP '2024-02-01 09:30:00',         40000.00,  41000.00, 'First year'),
    (9000000011, '000110', TIMESTAMP '2024-02-29 15:20:00',        NULL,                                    66000.00,  66500.00, NULL),
    (9000000012, '000290', TIMESTAMP '2024-03-31 06:00:00.5',      TIMESTAMP '2024-04-01 00:00:00',         35000.00,  35340.00, 'Night shift allowance');

INSERT INTO db2inst1.activity (actno, actkwd, actdesc) VALUES
    ( 10, 'MANAGE', 'MANAGE/ADVISE'),
    ( 20, 'ECOST',  'ESTIMATE COST'),
    ( 30, 'DEFINE', 'DEFINE REQUIREMENTS'),
    ( 40, 'LEADPR', 'LEAD PROGRAM/DESIGN'),
    ( 50, 'DESDOC', 'WRITE DESIGN DOCS'),
    ( 60, 'LOGIC',  'DESCRIBE LOGIC'),
    ( 70, 'CODE',   'CODE PROGRAMS'),
    ( 80, 'TEST',   'TEST PROGRAMS'),
    ( 90, 'ADMQS',  'ADM QUERY SYSTEM'),
    (100, 'TEACH',  'TEACH CLASSES'),
    (110, 'COURSE', 'DEVELOP COURSES'),
    (120, 'STAFF',  'PERS AND STAFFING'),
    (130, 'OPERAT', 'OPER COMPUTER SYS'),
    (140, 'MAINT',  'MAINT SOFTWARE SYS'),
    (150, 'ADMSYS', 'ADM OPERATING SYS'),
    (160, 'ADMDB',  'ADM DATA BASES'),
    (170, 'ADMDC',  'ADM DATA COMM'),
    (180, 'DOC',    'DOCUMENT');

INSERT INTO db2inst1.project (projno, projname, deptno, respemp, prstaff, prstdate, prendate, majproj) VALUES
    ('AD3100', 'ADMIN SERVICES',        'D01', '000010',  6.50, DATE '2002-01-01', DATE '2003-02-01', NULL),
    ('AD3110', 'GENERAL ADMIN SYSTEMS', 'D21', '000070',  6.00, DATE '2002-01-01', DATE '2003-02-01', 'AD3100'),
    ('AD3111', 'PAYROLL PROGRAMMING',   'D21', '000230',  2.00, DATE '2002-01-01', DATE '2003-02-01', 'AD3110'),
    ('AD3112', 'PERSONNEL PROGRAMMING', 'D21', '000250',  1.00, DATE '2002-01-01', DATE '2003-02-01', 'AD3110'),
    ('AD3113', 'ACCOUNT PROGRAMMING',   'D21', '000270',  2.00, DATE '2002-01-01', DATE '2003-02-01', 'AD3110'),
    ('IF1000', 'QUERY SERVICES',        'C01', '000030',  2.00, DATE '2002-01-01', DATE '2003-02-01', NULL),
    ('IF2000', 'USER EDUCATION',        'C01', '000030',  1.00, DATE '2002-01-01', DATE '2003-02-01', NULL),
    ('MA2100', 'WELD LINE AUTOMATION',  'D01', '000010', 12.00, DATE '2002-01-01', DATE '2003-02-01', NULL),
    ('MA2110', 'W L PROGRAMMING',       'D11', '000060',  9.00, DATE '2002-01-01', DATE '2003-02-01', 'MA2100'),
    ('MA2111', 'W L PROGRAM DESIGN',    'D11', '000220',  2.00, DATE '2002-01-01', DATE '2002-12-01', 'MA2110'),
    ('MA2112', 'W L ROBOT DESIGN',      'D11', '000150',  3.00, DATE '2002-01-01', DATE '2002-12-01', 'MA2110'),
    ('MA2113', 'W L PROD CONT PROGS',   'D11', '000160',  3.00, DATE '2002-02-15', DATE '2002-12-01', 'MA2110'),
    ('OP1000', 'OPERATION SUPPORT',     'E01', '000050',  6.00, DATE '2002-01-01', DATE '2003-02-01', NULL),
    ('OP1010', 'OPERATION',             'E11', '000090',  5.00, DATE '2002-01-01', DATE '2003-02-01', 'OP1000'),
    ('OP2000', 'GEN SYSTEMS SERVICES',  'E01', '000050',  5.00, DATE '2002-01-01', DATE '2003-02-01', NULL),
    ('OP2010', 'SYSTEMS SUPPORT',       'E21', '000100',  4.00, DATE '2002-01-01', DATE '2003-02-01', 'OP2000'),
    ('OP2011', 'SCP SYSTEMS SUPPORT',   'E21', '000320',  1.00, DATE '2002-01-01', DATE '2003-02-01', 'OP2010'),
    ('OP2012', 'APPLICATIONS SUPPORT',  'E21', '000330',  1.00, DATE '2002-01-01', DATE '2003-02-01', 'OP2010'),
    ('OP2013', 'DB/DC SUPPORT',         'E21', '000340',  1.00, DATE '2002-01-01', NULL,              'OP2010'),
    ('PL2100', 'WELD LINE PLANNING',    'B01', '000020',  NULL, DATE '2002-01-01', NULL,              'MA2100');

INSERT INTO db2inst1.projact (projno, actno, acstaff, acstdate, acendate) VALUES
    ('AD3100',  10, 0.50, DATE '2002-01-01', DATE '2002-07-01'),
    ('AD3110',  10, 1.00, DATE '2002-01-01', DATE '2003-01-01'),
    ('AD3111',  60, 0.50, DATE '2002-01-01', DATE '2002-04-15'),
    ('AD3111',  60, 0.50, DATE '2002-03-15', DATE '2002-04-15'),
    ('AD3111',  70, 1.50, DATE '2002-02-15', DATE '2002-10-15'),
    ('AD3111',  80, 1.25, DATE '2002-04-15', DATE '2003-01-01'),
    ('AD3112',  60, 0.75, DATE '2002-01-01', DATE '2002-03-15'),
    ('AD3112',  70, 0.75, DATE '2002-01-01', DATE '2002-10-15'),
    ('AD3113',  70, 1.25, DATE '2002-06-01', DATE '2002-12-15'),
    ('AD3113',  80, 1.75, DATE '2002-01-01', DATE '2002-04-15'),
    ('IF1000',  10, 0.50, DATE '2002-06-01', DATE '2003-01-01'),
    ('IF1000',  90, 1.00, DATE '2002-10-01', DATE '2003-01-01'),
    ('IF1000', 100, 0.50, DATE '2002-10-01', DATE '2003-01-01'),
    ('IF2000',  10, 0.50, DATE '2002-01-01', DATE '2003-01-01'),
    ('IF2000', 100, 0.75, DATE '2002-01-01', DATE '2002-07-01'),
    ('IF2000', 110, 0.50, DATE '2002-03-01', DATE '2002-07-01'),
    ('MA2100',  10, 0.50, DATE '2002-01-01', DATE '2002-11-01'),
    ('MA2110',  10, 1.00, DATE '2002-01-01', DATE '2003-02-01'),
    ('MA2111',  40, 1.00, DATE '2002-01-01', DATE '2003-02-01'),
    ('MA2111',  50, 1.00, DATE '2002-01-01', DATE '2002-06-01'),
    ('MA2111',  60, 1.00, DATE '2002-06-15', DATE '2003-02-01'),
    ('MA2112',  60, 2.00, DATE '2002-01-01', DATE '2002-07-01'),
    ('MA2112',  70, 1.00, DATE '2002-02-01', DATE '2002-10-01'),
    ('MA2112', 180, 1.00, DATE '2002-07-15', DATE '2003-02-01'),
    ('MA2113',  60, 1.00, DATE '2002-07-15', DATE '2003-02-01'),
    ('MA2113',  70, 2.00, DATE '2002-04-01', DATE '2002-12-15'),
    ('MA2113',  80, 1.50, DATE '2002-09-01', DATE '2003-02-01'),
    ('OP1000',  10, 0.25, DATE '2002-01-01', DATE '2003-02-01'),
    ('OP1010',  10, 1.00, DATE '2002-01-01', DATE '2003-02-01'),
    ('OP1010', 130, 4.00, DATE '2002-01-01', DATE '2003-02-01'),
    ('OP2010',  10, 1.00, DATE '2002-01-01', DATE '2003-02-01'),
    ('OP2013', 170, NULL, DATE '2002-01-01', NULL),
    ('PL2100',  30, 1.00, DATE '2002-01-01', DATE '2002-09-15');

INSERT INTO db2inst1.empprojact (empno, projno, actno, emptime, emstdate, emendate) VALUES
    ('000010', 'AD3100',  10, 0.50, DATE '2002-01-01', DATE '2002-07-01'),
    ('000070', 'AD3110',  10, 1.00, DATE '2002-01-01', DATE '2003-02-01'),
    ('000230', 'AD3111',  60, 1.00, DATE '2002-01-01', DATE '2002-03-15'),
    ('000230', 'AD3111',  60, 0.50, DATE '2002-03-15', DATE '2002-04-15'),
    ('000230', 'AD3111',  70, 0.50, DATE '2002-03-15', DATE '2002-10-15'),
    ('000230', 'AD3111',  80, 0.50, DATE '2002-04-15', DATE '2002-10-15'),
    ('000240', 'AD3111',  70, 1.00, DATE '2002-02-15', DATE '2002-09-15'),
    ('000240', 'AD3111',  80, 1.00, DATE '2002-09-15', DATE '2003-01-01'),
    ('000250', 'AD3112',  60, 1.00, DATE '2002-01-01', DATE '2002-02-01'),
    ('000250', 'AD3112',  60, 0.50, DATE '2002-02-01', DATE '2002-03-15'),
    ('000250', 'AD3112',  70, 0.50, DATE '2002-03-15', DATE '2002-08-15'),
    ('000260', 'AD3113',  70, 0.50, DATE '2002-06-15', DATE '2002-07-01'),
    ('000270', 'AD3113',  80, 1.00, DATE '2002-01-01', DATE '2002-03-01'),
    ('000270', 'AD3113',  70, 0.75, DATE '2002-09-01', DATE '2002-10-15'),
    ('000030', 'IF1000',  10, 0.50, DATE '2002-06-01', DATE '2003-01-01'),
    ('000130', 'IF1000',  90, 1.00, DATE '2002-10-01', DATE '2003-01-01'),
    ('000130', 'IF1000', 100, 0.50, DATE '2002-10-01', DATE '2003-01-01'),
    ('000140', 'IF1000',  90, 0.50, DATE '2002-10-01', DATE '2003-01-01'),
    ('000030', 'IF2000',  10, 0.50, DATE '2002-01-01', DATE '2003-01-01'),
    ('000140', 'IF2000', 100, 1.00, DATE '2002-01-01', DATE '2002-03-01'),
    ('000140', 'IF2000', 110, 0.50, DATE '2002-03-01', DATE '2002-07-01'),
    ('000010', 'MA2100',  10, 0.50, DATE '2002-01-01', DATE '2002-11-01'),
    ('000060', 'MA2110',  10, 1.00, DATE '2002-01-01', DATE '2003-02-01'),
    ('000200', 'MA2111',  50, 1.00, DATE '2002-01-01', DATE '2002-06-15'),
    ('000200', 'MA2111',  60, 1.00, DATE '2002-06-15', DATE '2003-02-01'),
    ('000220', 'MA2111',  40, 1.00, DATE '2002-01-01', DATE '2003-02-01'),
    ('000150', 'MA2112',  60, 1.00, DATE '2002-01-01', DATE '2002-07-15'),
    ('000150', 'MA2112', 180, 1.00, DATE '2002-07-15', DATE '2003-02-01'),
    ('000170', 'MA2112',  60, 1.00, DATE '2002-01-01', DATE '2003-06-01'),
    ('000190', 'MA2112',  70, 1.00, DATE '2002-02-01', DATE '2002-10-01'),
    ('000160', 'MA2113',  60, 1.00, DATE '2002-07-15', DATE '2003-02-01'),
    ('000170', 'MA2113',  80, 1.00, DATE '2002-09-01', DATE '2003-02-01'),
    ('000180', 'MA2113',  70, 1.00, DATE '2002-04-01', DATE '2002-06-15'),
    ('000050', 'OP1000',  10, 0.25, DATE '2002-01-01', DATE '2003-02-01'),
    ('000090', 'OP1010',  10, 1.00, DATE '2002-01-01', DATE '2003-02-01'),
    ('000280', 'OP1010', 130, 1.00, DATE '2002-01-01', DATE '2003-02-01'),
    ('000290', 'OP1010', 130, 1.00, DATE '2002-01-01', DATE '2003-02-01'),
    ('000100', 'OP2010',  10, 1.00, DATE '2002-01-01', DATE '2003-02-01'),
    ('000320', 'OP2011', 140, 0.75, DATE '2002-01-01', DATE '2003-02-01'),
    ('000330', 'OP2012', 140, 0.25, DATE '2002-01-01', DATE '2003-02-01'),
    ('000340', 'OP2013', 140, 0.50, DATE '2002-01-01', DATE '2003-02-01'),
    ('000360', 'OP2013', 170, NULL, DATE '2022-01-01', NULL),
    ('000020', 'PL2100',  30, 1.00, DATE '2002-01-01', DATE '2002-09-15');

-- No key: a row is told apart from the others only by all of its values.
INSERT INTO db2inst1.sales (sales_date, sales_person, region, sales) VALUES
    (DATE '2023-12-31', 'LUCCHESSI', 'Ontario-South', 1),
    (DATE '2023-12-31', 'LUCCHESSI', 'Ontario-North', 8),
    (DATE '2023-12-31', 'LEE', 'Québec', 2),
    (DATE '2023-12-31', 'LEE', 'Manitoba', 9),
    (DATE '2023-12-31', 'GOUNOT', 'Ontario-South', 3),
    (DATE '2023-12-31', 'GOUNOT', 'Ontario-North', 10),
    (DATE '2023-12-31', 'O''Brien', 'Québec', 4),
    (DATE '2023-12-31', 'O''Brien', 'Manitoba', 11),
    (DATE '2024-01-15', 'LUCCHESSI', 'Québec', 5),
    (DATE '2024-01-15', 'LUCCHESSI', 'Manitoba', 12),
    (DATE '2024-01-15', 'LEE', 'Ontario-South', 6),
    (DATE '2024-01-15', 'LEE', 'Ontario-North', 13),
    (DATE '2024-01-15', 'GOUNOT', 'Québec', 7),
    (DATE '2024-01-15', 'GOUNOT', 'Manitoba', 1),
    (DATE '2024-01-15', 'O''Brien', 'Ontario-South', 8),
    (DATE '2024-01-15', 'O''Brien', 'Ontario-North', 2),
    (DATE '2024-02-29', 'LUCCHESSI', 'Ontario-South', 9),
    (DATE '2024-02-29', 'LUCCHESSI', 'Ontario-North', 3),
    (DATE '2024-02-29', 'LEE', 'Québec', 10),
    (DATE '2024-02-29', 'LEE', 'Manitoba', 4),
    (DATE '2024-02-29', 'GOUNOT', 'Ontario-South', 11),
    (DATE '2024-02-29', 'GOUNOT', 'Ontario-North', 5),
    (DATE '2024-02-29', 'O''Brien', 'Québec', 12),
    (DATE '2024-02-29', 'O''Brien', 'Manitoba', 6),
    (DATE '2024-02-29', 'Lefèvre', 'Ontario-South', 13),
    (DATE '2024-02-29', 'Lefèvre', 'Ontario-North', 7),
    (DATE '2024-03-29', 'LUCCHESSI', 'Québec', 1),
    (DATE '2024-03-29', 'LUCCHESSI', 'Manitoba', 8),
    (DATE '2024-03-29', 'LEE', 'Ontario-South', 2),
    (DATE '2024-03-29', 'LEE', 'Ontario-North', 9),
    (DATE '2024-03-29', 'GOUNOT', 'Québec', 3),
    (DATE '2024-03-29', 'GOUNOT', 'Manitoba', 10),
    (DATE '2024-03-29', 'O''Brien', 'Ontario-South', 4),
    (DATE '2024-03-29', 'O''Brien', 'Ontario-North', 11),
    (DATE '2024-04-01', 'LUCCHESSI', 'Ontario-South', 5),
    (DATE '2024-04-01', 'LUCCHESSI', 'Ontario-North', 12),
    (DATE '2024-04-01', 'LEE', 'Québec', 6),
    (DATE '2024-04-01', 'LEE', 'Manitoba', 13),
    (DATE '2024-04-01', 'Lefèvre', NULL, 9),
    (DATE '2024-04-01', 'GOUNOT', 'Manitoba', NULL);


-- Small PNG images (they contain zero bytes); the third photo is missing.
INSERT INTO db2inst1.emp_photo (empno, photo_format, picture) VALUES
    ('000130', 'png', '\x89504e470d0a1a0a0000000d4948445200000002000000020802000000fdd49a73000000124944415478da63f8cfc0c000c20cff8100001fee05fbf1abba770000000049454e44ae426082'::bytea),
    ('000140', 'png', '\x89504e470d0a1a0a0000000d4948445200000003000000010802000000948283e3000000124944415478da63606060686868f8ffff3f000d84047eac3f603d0000000049454e44ae426082'::bytea),
    ('000150', 'gif', NULL);

-- The first resume is more than 2000 characters long and has line breaks.
INSERT INTO db2inst1.emp_resume (empno, resume_format, resume) VALUES
    ('000130', 'ascii', 'Resume: Delores M. Quintana

Personal information
Address: 1150 Eglinton Ave, Mellonville, Idaho 83725
Phone: (208) 555-4578
Birthdate: September 15, 1955
Sex: Female
Marital status: Married
Height: 5''2"
Weight: 120 lbs.

Department information
Employee number: 000130
Dept number: C01
Manager: Sally Kwan
Position: Analyst
Phone: (208) 385-4578
Hire date: July 28, 2001

Education
1965  Math and English, B.A., Adelphi University
1960  Dental Technician, Florida Institute of Technology

Work history
10/91 - present  Advisory Systems Analyst, Producing documentation tools for engineering department.
12/85 - 9/91  Technical Writer, Writer, text programmer, and planner.
1/79 - 11/85  COBOL Payroll Programmer, Writing payroll programs for a diesel fuel company.

Interests
- Cooking
- Reading
- Sewing
- Remodeling

Project notes
01. Reviewed the query catalogue for the C01 information centre, checked every report against the source tables and wrote down what each one needs; café meeting notes filed under Łódź/東京 (1).
02. Reviewed the query catalogue for the C01 information centre, checked every report against the source tables and wrote down what each one needs; café meeting notes filed under Łódź/東京 (2).
03. Reviewed the query catalogue for the C01 information centre, checked every report against the source tables and wrote down what each one needs; café meeting notes filed under Łódź/東京 (3).
04. Reviewed the query catalogue for the C01 information centre, checked every report against the source tables and wrote down what each one needs; café meeting notes filed under Łódź/東京 (4).
05. Reviewed the query catalogue for the C01 information centre, checked every report against the source tables and wrote down what each one needs; café meeting notes filed under Łódź/東京 (5).
06. Reviewed the query catalogue for the C01 information centre, checked every report against the source tables and wrote down what each one needs; café meeting notes filed under Łódź/東京 (6).
07. Reviewed the query catalogue for the C01 information centre, checked every report against the source tables and wrote down what each one needs; café meeting notes filed under Łódź/東京 (7).
08. Reviewed the query catalogue for the C01 information centre, checked every report against the source tables and wrote down what each one needs; café meeting notes filed under Łódź/東京 (8).
09. Reviewed the query catalogue for the C01 information centre, checked every report against the source tables and wrote down what each one needs; café meeting notes filed under Łódź/東京 (9).
10. Reviewed the query catalogue for the C01 information centre, checked every report against the source tables and wrote down what each one needs; café meeting notes filed under Łódź/東京 (10).
11. Reviewed the query catalogue for the C01 information centre, checked every report against the source tables and wrote down what each one needs; café meeting notes filed under Łódź/東京 (11).
12. Reviewed the query catalogue for the C01 information centre, checked every report against the source tables and wrote down what each one needs; café meeting notes filed under Łódź/東京 (12).'),
    ('000140', 'ascii', 'Resume: Heather A. Nicholls
Position: Analyst, department C01.'),
    ('000350', 'ascii', 'Lebenslauf: Zoë A. Müller, Łódź.'),
    ('000150', 'ascii', NULL);

INSERT INTO tools.category (catid, name) VALUES
    (1, 'Editors'),
    (2, 'Query tools');

INSERT INTO tools.tool (toolid, catid, name, price, added) VALUES
    (1, 1, 'Text editor',     0.00, DATE '2020-01-15'),
    (2, 1, 'Hex editor',     19.99, NULL),
    (3, 2, 'Query builder', 149.50, DATE '2021-06-30'),
    (4, 2, 'Explain viewer',  NULL, DATE '2022-11-02');
