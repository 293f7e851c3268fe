-- Price orders for the price-change history, added to an office database
-- made by db/create-sample-db. The report period of the tests is
-- 2024-01-12 00:00:00 .. 2024-01-14 23:59:59; order 101 lies before it and
-- order 109, whose price is no number, after it.

INSERT INTO GSMCHANGEHISTORY (OSNOVANIE, DATACHANGE, DATAAPPLY, OPERATOR, FULLGSMLIST, FULLGSMOLDVALUES, FULLGSMVALUES, AZSLIST)
  VALUES ('Приказ № 101', '2024-01-10 09:00:00', '2024-01-11 00:00:00', 'Орлов В. А.',
          'АИ-92' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'АИ-95' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'ДТ',
          '50.00' || ASCII_CHAR(13) || ASCII_CHAR(10) || '45,5' || ASCII_CHAR(13) || ASCII_CHAR(10) || '60.00',
          '52.50' || ASCII_CHAR(13) || ASCII_CHAR(10) || '45.50' || ASCII_CHAR(13) || ASCII_CHAR(10) || '61,20',
          'АЗС №1' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'АЗС №2');
INSERT INTO GSMCHANGEHISTORY (OSNOVANIE, DATACHANGE, DATAAPPLY, OPERATOR, FULLGSMLIST, FULLGSMOLDVALUES, FULLGSMVALUES, AZSLIST)
  VALUES ('Приказ № 102', '2024-01-12 00:00:00', '2024-01-12 00:00:00', 'Орлов В. А.',
          'АИ-98', '', '71.30', 'АЗС №3');
INSERT INTO GSMCHANGEHISTORY (OSNOVANIE, DATACHANGE, DATAAPPLY, OPERATOR, FULLGSMLIST, FULLGSMOLDVALUES, FULLGSMVALUES, AZSLIST)
  VALUES ('Приказ № 103', '2024-01-13 12:00:00', '2024-01-14 00:00:00', 'Белова Т. С.',
          'АИ-92' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'АИ-95',
          '50' || ASCII_CHAR(13) || ASCII_CHAR(10) || '51' || ASCII_CHAR(13) || ASCII_CHAR(10) || '52',
          '53' || ASCII_CHAR(13) || ASCII_CHAR(10) || '54',
          'АЗС №1');
INSERT INTO GSMCHANGEHISTORY (OSNOVANIE, DATACHANGE, DATAAPPLY, OPERATOR, FULLGSMLIST, FULLGSMOLDVALUES, FULLGSMVALUES, AZSLIST)
  VALUES ('Приказ № 104', '2024-01-14 23:59:59', '2024-01-15 00:00:00', 'Белова Т. С.',
          'Газ' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'ДТ',
          '0' || ASCII_CHAR(13) || ASCII_CHAR(10) || '40.00',
          '10.00' || ASCII_CHAR(13) || ASCII_CHAR(10) || '41.00',
          'АЗС №2' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'АЗС №3');
INSERT INTO GSMCHANGEHISTORY (OSNOVANIE, DATACHANGE, DATAAPPLY, OPERATOR, FULLGSMLIST, FULLGSMOLDVALUES, FULLGSMVALUES, AZSLIST)
  VALUES ('Приказ № 109', '2024-01-25 10:00:00', '2024-01-26 00:00:00', 'Орлов В. А.',
          'АИ-92' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'ДТ',
          '52.50' || ASCII_CHAR(13) || ASCII_CHAR(10) || '61.20',
          '53.00' || ASCII_CHAR(13) || ASCII_CHAR(10) || 'шестьдесят',
          'АЗС №1');

COMMIT;
