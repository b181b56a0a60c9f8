-- Reference rows of a new main database: what the program expects to find.

-- The one row of SYS. VERSION is the date of the newest upgrade batch shipped
-- in patch.fdb, so that a new database asks for no upgrade.
INSERT INTO SYS (ID, VERSION, PROGNAME, PROGTAG, SO_DOTEMPLATE_ID)
VALUES (1, '2026-12-01', 'Tallyvo', 1, 0);

-- The administrator: key 0, code ADMIN, no password.
INSERT INTO SYS_USER (ID, CODE, NAME, PASSWD, DISABLED, SHOWTIP, SYS_TIP_ID, LOGINS)
VALUES (0, 'ADMIN', 'Administrator', NULL, 0, 1, 0, 0);
