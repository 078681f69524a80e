-- Sample database: tables.
--
-- Modelled on the Db2 SAMPLE database. Schemas and tables are created with
-- unquoted names, so Db2-style statements such as
--     select * from DB2INST1.EMPLOYEE where DB2INST1.EMPLOYEE.EMPNO = '000010'
-- resolve on PostgreSQL as they do on Db2.
--
-- Loaded by scripts/db start into database "sample", as the superuser, after
-- the roles dorvane and dorvane_odd exist. Everything here is owned by
-- dorvane, so the program (logged on as dorvane) may alter it.

SET ROLE dorvane;

CREATE SCHEMA db2inst1;
CREATE SCHEMA tools;

-- Departments. ADMRDEPT refers to DEPARTMENT itself, MGRNO to EMPLOYEE; as
-- EMPLOYEE refers back to DEPARTMENT, the MGRNO key is added by data.sql once
-- both tables are filled.
CREATE TABLE db2inst1.department (
    deptno      char(3)      NOT NULL,
    deptname    varchar(36)  NOT NULL,
    mgrno       char(6),
    admrdept    char(3)      NOT NULL,
    location    varchar(16),
    CONSTRAINT pk_department PRIMARY KEY (deptno),
    CONSTRAINT fk_department_admrdept FOREIGN KEY (admrdept) REFERENCES db2inst1.department (deptno)
);

CREATE TABLE db2inst1.employee (
    empno       char(6)      NOT NULL,
    firstnme    varchar(12)  NOT NULL,
    midinit     char(1),
    lastname    varchar(15)  NOT NULL,
    workdept    char(3),
    phoneno     char(4),
    hiredate    date,
    job         char(8),
    edlevel     smallint     NOT NULL,
    sex         char(1),
    birthdate   date,
    salary      numeric(9,2),
    bonus       numeric(9,2),
    comm        numeric(9,2),
    CONSTRAINT pk_employee PRIMARY KEY (empno),
    CONSTRAINT fk_employee_workdept FOREIGN KEY (workdept) REFERENCES db2inst1.department (deptno)
);

-- Salary changes. Its name contains the name of EMPLOYEE; the key is a
-- bigint with values beyond 32 bits.
CREATE TABLE db2inst1.employee_history (
    histid      bigint       NOT NULL,
    empno       char(6)      NOT NULL,
    changed_at  timestamp    NOT NULL,
    approved_at timestamp,
    old_salary  numeric(9,2),
    new_salary  numeric(9,2),
    note        varchar(200),
    CONSTRAINT pk_employee_history PRIMARY KEY (histid),
    CONSTRAINT fk_employee_history_empno FOREIGN KEY (empno) REFERENCES db2inst1.employee (empno)
);

CREATE TABLE db2inst1.project (
    projno      char(6)      NOT NULL,
    projname    varchar(24)  NOT NULL,
    deptno      char(3)      NOT NULL,
    respemp     char(6)      NOT NULL,
    prstaff     numeric(5,2),
    prstdate    date,
    prendate    date,
    majproj     char(6),
    CONSTRAINT pk_project PRIMARY KEY (projno),
    CONSTRAINT fk_project_deptno FOREIGN KEY (deptno) REFERENCES db2inst1.department (deptno),
    CONSTRAINT fk_project_respemp FOREIGN KEY (respemp) REFERENCES db2inst1.employee (empno),
    CONSTRAINT fk_project_majproj FOREIGN KEY (majproj) REFERENCES db2inst1.project (projno)
);

CREATE TABLE db2inst1.activity (
    actno       smallint     NOT NULL,
    actkwd      char(6)      NOT NULL,
    actdesc     varchar(20)  NOT NULL,
    CONSTRAINT pk_activity PRIMARY KEY (actno),
    CONSTRAINT uq_activity_actkwd UNIQUE (actkwd)
);

-- Activities of a project: composite key of three columns (a project may
-- run the same activity more than once, from different dates).
CREATE TABLE db2inst1.projact (
    projno      char(6)      NOT NULL,
    actno       smallint     NOT NULL,
    acstaff     numeric(5,2),
    acstdate    date         NOT NULL,
    acendate    date,
    CONSTRAINT pk_projact PRIMARY KEY (projno, actno, acstdate),
    CONSTRAINT fk_projact_projno FOREIGN KEY (projno) REFERENCES db2inst1.project (projno),
    CONSTRAINT fk_projact_actno FOREIGN KEY (actno) REFERENCES db2inst1.activity (actno)
);

-- Time an employee spends on a project activity: composite key of four columns.
CREATE TABLE db2inst1.empprojact (
    empno       char(6)      NOT NULL,
    projno      char(6)      NOT NULL,
    actno       smallint     NOT NULL,
    emptime     numeric(5,2),
    emstdate    date         NOT NULL,
    emendate    date,
    CONSTRAINT pk_empprojact PRIMARY KEY (empno, projno, actno, emstdate),
    CONSTRAINT fk_empprojact_empno FOREIGN KEY (empno) REFERENCES db2inst1.employee (empno),
    CONSTRAINT fk_empprojact_projno FOREIGN KEY (projno) REFERENCES db2inst1.project (projno),
    CONSTRAINT fk_empprojact_actno FOREIGN KEY (actno) REFERENCES db2inst1.activity (actno)
);

-- Sales: deliberately without any primary key or unique constraint.
CREATE TABLE db2inst1.sales (
    sales_date   date,
    sales_person varchar(15),
    region       varchar(15),
    sales        integer
);

CREATE TABLE db2inst1.emp_photo (
    empno        char(6)     NOT NULL,
    photo_format varchar(10) NOT NULL,
    picture      bytea,
    CONSTRAINT pk_emp_photo PRIMARY KEY (empno, photo_format),
    CONSTRAINT fk_emp_photo_empno FOREIGN KEY (empno) REFERENCES db2inst1.employee (empno)
);

CREATE TABLE db2inst1.emp_resume (
    empno         char(6)     NOT NULL,
    resume_format varchar(10) NOT NULL,
    resume        text,
    CONSTRAINT pk_emp_resume PRIMARY KEY (empno, resume_format),
    CONSTRAINT fk_emp_resume_empno FOREIGN KEY (empno) REFERENCES db2inst1.employee (empno)
);

-- A second, small schema. Its name is shorter than eight characters, so the
-- catalog reports its creator blank-padded ('TOOLS   ').
CREATE TABLE tools.category (
    catid       smallint     NOT NULL,
    name        varchar(30)  NOT NULL,
    CONSTRAINT pk_category PRIMARY KEY (catid)
);

CREATE TABLE tools.tool (
    toolid      integer      NOT NULL,
    catid       smallint     NOT NULL,
    name        varchar(40)  NOT NULL,
    price       numeric(7,2),
    added       date,
    CONSTRAINT pk_tool PRIMARY KEY (toolid),
    CONSTRAINT fk_tool_category FOREIGN KEY (catid) REFERENCES tools.category (catid)
);

-- A view, so the catalog has an entry of type 'V'.
CREATE VIEW db2inst1.vempdept AS
    SELECT e.empno, e.firstnme, e.lastname, e.workdept, d.deptname, d.location
      FROM db2inst1.employee e
      LEFT JOIN db2inst1.department d ON d.deptno = e.workdept;

-- dorvane_odd (the role with the awkward password) reads and writes the
-- sample tables, including tables that dorvane creates later.
GRANT USAGE ON SCHEMA db2inst1, tools TO dorvane_odd;
GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA db2inst1, tools TO dorvane_odd;
ALTER DEFAULT PRIVILEGES FOR ROLE dorvane IN SCHEMA db2inst1, tools
    GRANT SELECT, INSERT, UPDATE, DELETE ON TABLES TO dorvane_odd;
ALTER DEFAULT PRIVILEGES FOR ROLE dorvane IN SCHEMA db2inst1, tools
    GRANT USAGE, SELECT ON SEQUENCES TO dorvane_odd;
