-- A small SQLite copy of part of the sample database (DSN SAMPLE_SQLITE),
-- built by scripts/db start with the sqlite3 program. It gives the program a
-- second ODBC driver to run against.

PRAGMA encoding = 'UTF-8';
PRAGMA foreign_keys = ON;

BEGIN;

CREATE TABLE DEPARTMENT (
    DEPTNO      char(3)      NOT NULL PRIMARY KEY,
    DEPTNAME    varchar(36)  NOT NULL,
    MGRNO       char(6),
    ADMRDEPT    char(3)      NOT NULL REFERENCES DEPARTMENT (DEPTNO),
    LOCATION    varchar(16)
);

CREATE TABLE EMPLOYEE (
    EMPNO       char(6)      NOT NULL PRIMARY KEY,
    FIRSTNME    varchar(12)  NOT NULL,
    MIDINIT     char(1),
    LASTNAME    varchar(15)  NOT NULL,
    WORKDEPT    char(3)      REFERENCES DEPARTMENT (DEPTNO),
    PHONENO     char(4),
    HIREDATE    date,
    JOB         char(8),
    EDLEVEL     smallint     NOT NULL,
    SEX         char(1),
    BIRTHDATE   date,
    SALARY      decimal(9,2),
    BONUS       decimal(9,2),
    COMM        decimal(9,2)
);

CREATE TABLE PROJECT (
    PROJNO      char(6)      NOT NULL PRIMARY KEY,
    PROJNAME    varchar(24)  NOT NULL,
    DEPTNO      char(3)      NOT NULL REFERENCES DEPARTMENT (DEPTNO),
    RESPEMP     char(6)      NOT NULL REFERENCES EMPLOYEE (EMPNO),
    PRSTAFF     decimal(5,2),
    PRSTDATE    date,
    PRENDATE    date,
    MAJPROJ     char(6)      REFERENCES PROJECT (PROJNO)
);

INSERT INTO DEPARTMENT (DEPTNO, DEPTNAME, MGRNO, ADMRDEPT, LOCATION) VALUES
    ('A00', 'SPIFFY COMPUTER SERVICE DIV.', '000010', 'A00', 'New York'),
    ('B01', 'PLANNING',                     '000020', 'A00', 'New York'),
    ('C01', 'INFORMATION CENTER',           '000030', 'A00', 'San José'),
    ('D11', 'MANUFACTURING SYSTEMS',        '000060', 'A00', 'Toronto'),
    ('E21', 'SOFTWARE SUPPORT',             '000100', 'A00', 'Austin'),
    ('F22', 'BRANCH OFFICE F2',             NULL,     'A00', 'Łódź');

INSERT INTO EMPLOYEE
    (EMPNO, FIRSTNME, MIDINIT, LASTNAME, WORKDEPT, PHONENO, HIREDATE, JOB, EDLEVEL, SEX, BIRTHDATE, SALARY, BONUS, COMM) VALUES
    ('000010', 'CHRISTINE', 'I',  'HAAS',       'A00', '3978', '1995-01-01', 'PRES',     18, 'F', '1963-08-24', 152750.00, 1000.00, 4220.00),
    ('000020', 'MICHAEL',   'L',  'THOMPSON',   'B01', '3476', '2003-10-10', 'MANAGER',  18, 'M', '1978-02-02',  94250.00,  800.00, 3300.00),
    ('000030', 'SALLY',     'A',  'KWAN',       'C01', '4738', '2005-04-05', 'MANAGER',  20, 'F', '1971-05-11',  98250.00,  800.00, 3060.00),
    ('000060', 'IRVING',    'F',  'STERN',      'D11', '6423', '2003-09-14', 'MANAGER',  16, 'M', '1975-07-07',  72250.00,  500.00, 2580.00),
    ('000100', 'THEODORE',  'Q',  'SPENSER',    'E21', '0972', '2000-06-19', 'MANAGER',  14, 'M', '1980-12-18',  86150.00,  500.00, 2092.00),
    ('000120', 'SEAN',      NULL, 'O''CONNELL', 'A00', '2167', '1993-12-05', 'CLERK',    14, 'M', '1972-10-18',  49250.00,  600.00, 2340.00),
    ('000150', 'BRUCE',     NULL, 'ADAMSON',    'D11', '4510', '2002-02-12', 'DESIGNER', 16, 'M', '1977-05-17',  55280.00,  500.00, 2022.00),
    ('000340', 'JASON',     'R',  'GOUNOT',     'E21', '5698', '1977-05-05', 'FIELDREP', 16, 'M', '1956-05-17',  43840.00,  500.00, 1907.00),
    ('000350', 'Zoë',       'A',  'Müller',     'F22', '4411', '2019-03-01', 'ANALYST',  18, 'F', '1990-02-14',  71500.00,     NULL,    NULL),
    ('000360', 'Patrick',   'J',  'O''Brien',   'E21', NULL,   '2020-11-16', 'FIELDREP', 16, 'M', NULL,          52300.50,  250.00,    NULL);

INSERT INTO PROJECT (PROJNO, PROJNAME, DEPTNO, RESPEMP, PRSTAFF, PRSTDATE, PRENDATE, MAJPROJ) VALUES
    ('IF1000', 'QUERY SERVICES',       'C01', '000030', 2.00, '2002-01-01', '2003-02-01', NULL),
    ('IF2000', 'USER EDUCATION',       'C01', '000030', 1.00, '2002-01-01', '2003-02-01', NULL),
    ('MA2110', 'W L PROGRAMMING',      'D11', '000060', 9.00, '2002-01-01', '2003-02-01', NULL),
    ('MA2112', 'W L ROBOT DESIGN',     'D11', '000150', 3.00, '2002-01-01', '2002-12-01', 'MA2110'),
    ('OP2010', 'SYSTEMS SUPPORT',      'E21', '000100', 4.00, '2002-01-01', NULL,         NULL);

CREATE VIEW VEMPDEPT AS
    SELECT e.EMPNO, e.FIRSTNME, e.LASTNAME, e.WORKDEPT, d.DEPTNAME, d.LOCATION
      FROM EMPLOYEE e
      LEFT JOIN DEPARTMENT d ON d.DEPTNO = e.WORKDEPT;

COMMIT;
