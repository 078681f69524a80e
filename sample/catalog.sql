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
-- sys.syscatalog is the SQL Anywhere catalog as the SQL Anywhere table list
-- reads it (creator, tname): the same tables under their schema and table
-- names as stored, without padding.
--
-- A session may set dorvane.catalog_delay (seconds) to make every read of
-- either catalog take that long: the tests click in windows while their
-- table lists are still being read. Unset, nothing waits.
--
-- Loaded by scripts/db start as the superuser; owned by the superuser, so
-- the program's role cannot drop it by accident.

RESET ROLE;

CREATE SCHEMA "SYSIBM";
CREATE SCHEMA sysibm;
CREATE SCHEMA sys;

CREATE FUNCTION sys.catalog_delay() RETURNS void LANGUAGE sql VOLATILE AS $$
    SELECT pg_sleep(coalesce(nullif(current_setting('dorvane.catalog_delay', true), '')::float8, 0))
$$;

-- A table name as Db2 would store it: an ordinary name (which PostgreSQL folded to lower case
-- where Db2 folds to upper case) in capitals; a name that was written in double quotes (a blank,
-- a quote, capitals) exactly as written.
CREATE FUNCTION sys.db2_name(name text) RETURNS text LANGUAGE sql IMMUTABLE AS $$
    SELECT CASE WHEN name ~ '^[a-z_][a-z0-9_$]*$' THEN upper(name) ELSE name END
$$;

CREATE VIEW "SYSIBM"."SYSTABLES" AS
    SELECT CAST(rpad(upper(n.nspname::text), greatest(8, char_length(n.nspname::text))) AS varchar(128))
                                                        AS creator,
           CAST(sys.db2_name(c.relname::text) AS varchar(128)) AS name,
           CAST(sys.db2_name(c.relname::text) AS varchar(128)) AS "NAME",
           CAST(CASE WHEN c.relkind IN ('v', 'm') THEN 'V' ELSE 'T' END AS char(1))
                                                        AS type
      FROM pg_catalog.pg_class c
      JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
      CROSS JOIN (SELECT sys.catalog_delay()) AS delay
     WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f')
       AND n.nspname NOT IN ('pg_catalog', 'information_schema', 'SYSIBM', 'sysibm', 'sys')
       AND n.nspname NOT LIKE 'pg\_toast%'
       AND n.nspname NOT LIKE 'pg\_temp\_%';

CREATE VIEW sys.syscatalog AS
    SELECT CAST(n.nspname::text AS varchar(128)) AS creator,
           CAST(c.relname::text AS varchar(128)) AS tname,
           CAST(CASE WHEN c.relkind IN ('v', 'm') THEN 'VIEW' ELSE 'TABLE' END AS char(10))
                                                 AS tabletype
      FROM pg_catalog.pg_class c
      JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
      CROSS JOIN (SELECT sys.catalog_delay()) AS delay
     WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f')
       AND n.nspname NOT IN ('pg_catalog', 'information_schema', 'SYSIBM', 'sysibm', 'sys')
       AND n.nspname NOT LIKE 'pg\_toast%'
       AND n.nspname NOT LIKE 'pg\_temp\_%';

CREATE VIEW sysibm.systables AS
    SELECT creator, name, "NAME", type
      FROM "SYSIBM"."SYSTABLES";

GRANT USAGE ON SCHEMA "SYSIBM", sysibm, sys TO PUBLIC;
GRANT SELECT ON "SYSIBM"."SYSTABLES", sysibm.systables, sys.syscatalog TO PUBLIC;
GRANT EXECUTE ON FUNCTION sys.catalog_delay() TO PUBLIC;
GRANT EXECUTE ON FUNCTION sys.db2_name(text) TO PUBLIC;
