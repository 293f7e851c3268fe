-- Goods department database "<folder>\<folder name>.FDB": goods documents,
-- their lines, batches, goods, categories and payment kinds, read for the
-- goods sums of the shift report and the return act. SQL dialect 3, default
-- character set WIN1251.
--
-- Columns marked "-- optional" are those the reports look for before they
-- use them (a probe such as "SELECT FIRST 1 * FROM LOGTRAN" and a field
-- look-up), or read only in office mode; a table marked "-- optional table"
-- may be missing as a whole. create-sample-db --schema old leaves both out,
-- to stand for an older database. Columns marked "-- legacy" are kept by
-- every schema.

CREATE TABLE BATCHES (
  ID_P       INTEGER NOT NULL,
  ID_GOODS   INTEGER,
  NDS        NUMERIC(15,4),
  ZPRICE     NUMERIC(15,4)
);
ALTER TABLE BATCHES ADD CONSTRAINT PK_BATCHES PRIMARY KEY (ID_P);

CREATE TABLE CATEGORY (
  ID_CATEGORY   INTEGER NOT NULL,
  NAME          VARCHAR(100),
  KKMSECTION    INTEGER
);
ALTER TABLE CATEGORY ADD CONSTRAINT PK_CATEGORY PRIMARY KEY (ID_CATEGORY);

CREATE TABLE DOCUMENTS (
  ID_DOC      INTEGER NOT NULL,
  DATA        TIMESTAMP,
  "TYPE"      INTEGER,
  PAYMENT     INTEGER,
  CLIENTNUM   INTEGER,
  KKMNUM      INTEGER  -- optional
);
ALTER TABLE DOCUMENTS ADD CONSTRAINT PK_DOCUMENTS PRIMARY KEY (ID_DOC);

CREATE TABLE GOODS (
  ID_GOODS      INTEGER NOT NULL,
  NAME          VARCHAR(100),
  ID_CATEGORY   INTEGER
);
ALTER TABLE GOODS ADD CONSTRAINT PK_GOODS PRIMARY KEY (ID_GOODS);

CREATE TABLE GOODSMOTION (
  ID_DOC   INTEGER,
  ID_P     INTEGER,
  "COUNT"  NUMERIC(15,4),
  RPRICE   NUMERIC(15,4),
  ZPRICE   NUMERIC(15,4),
  PPRICE   NUMERIC(15,4),
  "TYPE"   INTEGER
);

CREATE TABLE PAYMENT (
  ID      INTEGER NOT NULL,
  GSMVO   INTEGER,
  "CHECK" INTEGER
);
ALTER TABLE PAYMENT ADD CONSTRAINT PK_PAYMENT PRIMARY KEY (ID);

CREATE TABLE SALEDOC (
  ID_DOC        INTEGER,
  PAYMENT       INTEGER,
  LNR_CARDNUM   VARCHAR(32)
);

CREATE INDEX IX_DOCUMENTS_DATA ON DOCUMENTS (DATA);
-- The documents of one register in a period (the financial report by cash registers).
CREATE INDEX IX_DOCUMENTS_CLIENTNUM ON DOCUMENTS (CLIENTNUM, DATA);
CREATE INDEX IX_GOODSMOTION_DOC ON GOODSMOTION (ID_DOC);
CREATE INDEX IX_SALEDOC_DOC ON SALEDOC (ID_DOC);
