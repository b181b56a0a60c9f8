-- Schema of the upgrade database (Data/patch.fdb): batches of SQL commands
-- that bring an older main database up to date.

CREATE TABLE BATCH (
  ID          INTEGER NOT NULL PRIMARY KEY,
  VERSION     DATE NOT NULL,
  DESCRIPTION VARCHAR(500)
);

CREATE TABLE BATCH_ITEM (
  ID       INTEGER NOT NULL PRIMARY KEY,
  BATCH_ID INTEGER NOT NULL,
  COMMAND  BLOB SUB_TYPE TEXT
);
CREATE INDEX BATCH_ITEM_BATCH ON BATCH_ITEM (BATCH_ID);
