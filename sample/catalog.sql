-- A Db2-style catalog on PostgreSQL.
--
-- The DB2 table list reads
--     select creator, NAME from "SYSIBM"."SYSTABLES"
--     ORDER by creator, "SYSIBM"."SYSTABLES"."NAME"
-- so the view has a lower-case column name (what the unquoted NAME resolves
-- to here) and an upper-case column "NAME" (named by the quoted, qualified
-- reference), both holding the table name. creator is the upper-cased schema
-- name blank-padded to eight characters, as Db2 stores it ('TOOLS   ',
-- 'SYSIBM  '); a longer schema name is kept whole rather than cut, so the
-- column is a varchar(128) (as on Db2 for Linux, Unix and Windows) rather
-- than a char(8). type is 'T' for a table and 'V' for a view.
--
-- It is computed from pg_catalog on every read, so tables created later (by
-- tests, benchmarks) are listed too. System schemas and the catalog schemas
-- themselves are left out.
--
-- The lower-case sysibm.systables is the same list, so the unquoted name
-- SYSIBM.SYSTABLES (as the table list writes it) can be read as well.
--
-- Loaded by scripts/db start as the superuser; owned by the superuser, so
-- the program's role cannot drop it by accident.

RESET ROLE;

CREATE SCHEMA "SYSIBM";
CREATE SCHEMA sysibm;

CREATE VIEW "SYSIBM"."SYSTABLES" AS
    SELECT CAST(rpad(upper(n.nspname::text), greatest(8, char_length(n.nspname::text))) AS varchar(128))
                                                        AS creator,
           CAST(upper(c.relname::text) AS varchar(128)) AS name,
           CAST(upper(c.relname::text) AS varchar(128)) AS "NAME",
           CAST(CASE WHEN c.relkind IN ('v', 'm') THEN 'V' ELSE 'T' END AS char(1))
                                                        AS type
      FROM pg_catalog.pg_class c
      JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
     WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f')
       AND n.nspname NOT IN ('pg_catalog', 'information_schema', 'SYSIBM', 'sysibm')
       AND n.nspname NOT LIKE 'pg\_toast%'
       AND n.nspname NOT LIKE 'pg\_temp\_%';

CREATE VIEW sysibm.systables AS
    SELECT creator, name, "NAME", type
      FROM "SYSIBM"."SYSTABLES";

GRANT USAGE ON SCHEMA "SYSIBM", sysibm TO PUBLIC;
GRANT SELECT ON "SYSIBM"."SYSTABLES", sysibm.systables TO PUBLIC;
