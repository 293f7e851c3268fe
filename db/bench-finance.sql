-- The financial section's benchmark rows on top of db/add-sample-shifts
-- --large: for every shift from 1001 on a receipt index range of 100 cash
-- checks in BCHECK (registers 0..2, one in 50 of another cash desk), the
-- cash registers' columns of SMLOG and four KKMOPER rows.
SET TERM ^ ;
EXECUTE BLOCK AS
  DECLARE sm INTEGER;
  DECLARE j INTEGER;
  DECLARE base INTEGER;
BEGIN
  FOR SELECT SMNUM FROM SMLOG WHERE SMNUM > 1000 INTO :sm DO
  BEGIN
    base = 10000000 + (sm - 1001) * 100;
    UPDATE SMLOG SET INDEXSALE_BEG = :base + 1, INDEXSALE_END = :base + 100,
      TOVARKKM = MOD(:sm, 2), INKKM = 1000, OUTKKM = 500, INKKM2 = 100, OUTKKM2 = 50,
      SUMMATOVARY = 250 WHERE SMNUM = :sm;
    INSERT INTO KKMOPER (SMNUM, KKM, OPTYPE, SUMMA) VALUES (:sm, 1, 0, 1000);
    INSERT INTO KKMOPER (SMNUM, KKM, OPTYPE, SUMMA) VALUES (:sm, 1, 1, 400);
    INSERT INTO KKMOPER (SMNUM, KKM, OPTYPE, SUMMA) VALUES (:sm, 2, 0, 100);
    INSERT INTO KKMOPER (SMNUM, KKM, OPTYPE, SUMMA) VALUES (:sm, 2, 1, 50);
    j = 1;
    WHILE (j <= 100) DO
    BEGIN
      INSERT INTO BCHECK (INDEXSALE, DATA, CLIENT, KKM, KA, SUMMA, KOLVO, PRICE, GSM, VIDOPL,
                          TRKINDEX, NUMBER, CHECKNUM)
      VALUES (:base + :j, '2024-05-01 09:00:00', 1, MOD(:j, 3), IIF(MOD(:j, 50) = 0, 1, 0),
              500 + :j, 10, 50, 'АИ-92', MOD(:j, 12), MOD(:j, 12), 1 + MOD(:j, 2), :base + :j);
      j = j + 1;
    END
  END
END^
SET TERM ; ^
COMMIT;
