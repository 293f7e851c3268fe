-- The financial section's benchmark rows of a goods department: 100 000
-- documents of 5 lines (500 000 goods-motion rows) over the benchmark
-- shifts' period, 2024-04-01 08:00 to 16:00; one in 20 a return. Uses the
-- goods, batches and payment kinds of db/create-sample-db.
SET TERM ^ ;
EXECUTE BLOCK AS
  DECLARE i INTEGER = 0;
  DECLARE k INTEGER;
  DECLARE t INTEGER;
BEGIN
  WHILE (i < 100000) DO
  BEGIN
    t = IIF(MOD(i, 20) = 0, 3, 2);
    INSERT INTO DOCUMENTS (ID_DOC, DATA, "TYPE", PAYMENT, CLIENTNUM, KKMNUM)
    VALUES (1000000 + :i, DATEADD(:i * 250 MILLISECOND TO TIMESTAMP '2024-04-01 08:00:00'), :t,
            MOD(:i, 2), 1, 1);
    INSERT INTO SALEDOC (ID_DOC, PAYMENT) VALUES (1000000 + :i, 1 + MOD(:i, 4));
    k = 0;
    WHILE (k < 5) DO
    BEGIN
      INSERT INTO GOODSMOTION (ID_DOC, ID_P, "COUNT", RPRICE, ZPRICE, PPRICE, "TYPE")
      VALUES (1000000 + :i, 1 + MOD(:i + :k, 6), 1 + MOD(:k, 3), 100 + :k, 60, 100 + :k, :t);
      k = k + 1;
    END
    i = i + 1;
  END
END^
SET TERM ; ^
COMMIT;
