-- Bonus rows and receipts of the bonus and cash-register reports, added to a
-- station database that db/add-sample-shifts gave shifts 101 to 103
-- (2024-04-01 08:00 .. 2024-04-02 08:00, eight hours each).
--
-- BONUS: payment types 0, 1, 2, 4, 105 (no such type: a group of its own
-- named after kind 5) and 150 (kind 50 unnamed: "Неизвестный (150)");
-- sub-types "Акция" and "акция " (one sub-type), "Скидка", empty and NULL;
-- fuels "АИ-92" and "аи-92" (one fuel), "АИ-95", "ДТ". The worked row of
-- shift 101: 105 l, 5 bonus litres at 50.00, money computed. A key of
-- shifts 101 and 102 that the summing query adds; АИ-92 of "Акция" at two
-- prices; 0.009 l (left out) and 0.01 l (kept); a row of the office's own
-- sales (KA 1).
INSERT INTO BONUS VALUES (101, 0, 'Акция', 'АИ-92', 20.00, '5% от 20 л', 50.00, 105, 5, 0, 0);
INSERT INTO BONUS VALUES (102, 0, 'акция ', 'аи-92', 20.00, '5% от 20 л', 51.50, 40, 2, 0, 0);
INSERT INTO BONUS VALUES (102, 0, 'Акция', 'АИ-92', 20.00, '5% от 20 л', 51.50, 33, 1.5, 0, 1);
INSERT INTO BONUS VALUES (101, 2, 'Скидка', 'ДТ', 50.00, 'Скидка 2%', 58.90, 30, 0.6, 0, 0);
INSERT INTO BONUS VALUES (102, 2, 'Скидка', 'ДТ', 50.00, 'Скидка 2%', 58.90, 20, 0.4, 0, 0);
INSERT INTO BONUS VALUES (101, 4, 'Акция', 'АИ-95', 20.00, '3%', 55.20, 10, 0, 552.00, 0);
INSERT INTO BONUS VALUES (103, 4, 'Акция', 'АИ-95', 20.00, '3%', 56.00, 10, 0.3, 543.20, 0);
INSERT INTO BONUS VALUES (103, 0, '', 'ДТ', 50.00, 'Скидка 1 л', 58.90, 60, 1, 0, 0);
INSERT INTO BONUS VALUES (103, 2, 'Скидка', 'АИ-92', 20.00, 'Порог', 51.50, 0.009, 0, 0, 0);
INSERT INTO BONUS VALUES (103, 2, 'Скидка', 'АИ-95', 20.00, 'Порог', 56.00, 0.01, 0, 0.56, 0);
INSERT INTO BONUS VALUES (102, 105, 'Акция', 'АИ-92', 20.00, '5% от 20 л', 51.50, 25, 1, 0, 0);
INSERT INTO BONUS VALUES (103, 150, 'Скидка', 'ДТ', 50.00, 'Скидка 2%', 58.90, 12, 0.24, 0, 0);
INSERT INTO BONUS VALUES (103, 1, NULL, 'АИ-92', 20.00, NULL, NULL, 7, 0, 0, 0);
-- Rows stored before the column KA existed (NULL there): station sales that
-- join the keys of shift 101's "Скидка" ДТ and "Акция" АИ-95 rows.
INSERT INTO BONUS VALUES (103, 2, 'Скидка', 'ДТ', 50.00, 'Скидка 2%', 58.90, 15, 0.3, 0, NULL);
INSERT INTO BONUS VALUES (102, 4, 'Акция', 'АИ-95', 20.00, '3%', 55.20, 20, 0, 1104.00, NULL);

-- BCHECK of the same period: registers (CLIENT) 1, 2 and 10, register lines
-- (KKM) 0, 1, 2, 3 and NULL, the office's own sales (KA 1), a return (negative
-- SUMMA, positive KOLVO), payment type 7 (no SILOVO row in its shift) and
-- receipts at the very begin and end of shifts.
INSERT INTO BCHECK VALUES (900001, '2024-04-01 08:00:00', 1, 0, 0, 500.00, 10, 50.00, 'АИ-92', 0, 0, 1, 900001);
INSERT INTO BCHECK VALUES (900002, '2024-04-01 09:00:00', 1, 1, 0, 552.00, 10, 55.20, 'АИ-95', 1, 1, 2, 900002);
INSERT INTO BCHECK VALUES (900003, '2024-04-01 10:00:00', 2, 0, 1, 589.00, 10, 58.90, 'ДТ', 0, 2, 1, 900003);
INSERT INTO BCHECK VALUES (900004, '2024-04-01 11:00:00', 10, NULL, 0, 1000.00, 20, 50.00, 'АИ-92', 2, 0, 1, 900004);
INSERT INTO BCHECK VALUES (900005, '2024-04-01 12:00:00', 2, 2, 0, 250.00, 5, 50.00, 'АИ-92', 7, 0, 1, 900005);
INSERT INTO BCHECK VALUES (900006, '2024-04-01 13:00:00', 1, 0, 0, -100.00, 2, 50.00, 'АИ-92', 0, 0, 1, 900006);
INSERT INTO BCHECK VALUES (900007, '2024-04-01 16:00:00', 10, 0, 0, 294.50, 5, 58.90, 'ДТ', 4, 2, 1, 900007);
INSERT INTO BCHECK VALUES (900008, '2024-04-01 17:00:00', 1, 0, 0, 515.00, 10, 51.50, 'АИ-92', 3, 0, 1, 900008);
INSERT INTO BCHECK VALUES (900009, '2024-04-01 18:00:00', 2, 0, 0, 276.00, 5, 55.20, 'АИ-95', 5, 1, 2, 900009);
INSERT INTO BCHECK VALUES (900010, '2024-04-01 19:00:00', 10, 1, 0, 103.00, 2, 51.50, 'АИ-92', 0, 0, 1, 900010);
INSERT INTO BCHECK VALUES (900011, '2024-04-02 01:00:00', 1, 0, 1, 589.00, 10, 58.90, 'ДТ', 1, 2, 1, 900011);
INSERT INTO BCHECK VALUES (900012, '2024-04-02 02:00:00', 2, 0, 0, 515.00, 10, 51.50, 'АИ-92', 105, 0, 1, 900012);
INSERT INTO BCHECK VALUES (900013, '2024-04-02 08:00:00', 1, 0, 0, 51.50, 1, 51.50, 'АИ-92', 0, 0, 1, 900013);
-- Register 10 on line 0 (KKM NULL): besides 20 l of АИ-92 for 1 000.00, a
-- free test fill of 5 l at 0.00 and 4 l without an amount, which gave out
-- their litres all the same (29 l in all). Register 2 on line 3: 250.00.
INSERT INTO BCHECK VALUES (900014, '2024-04-01 11:30:00', 10, NULL, 0, 0.00, 5, 50.00, 'АИ-92', 2, 0, 1, 900014);
INSERT INTO BCHECK VALUES (900015, '2024-04-01 12:30:00', 10, 0, 0, NULL, 4, 50.00, 'АИ-92', 2, 0, 1, 900015);
INSERT INTO BCHECK VALUES (900016, '2024-04-01 14:30:00', 2, 3, 0, 250.00, 5, 50.00, 'АИ-92', 0, 0, 1, 900016);
