@Page
Column report
@REPEATCOLBEG 32
+-----------------------------+--------+----------+
|Organization                 |~GSM~   |~Price~   |
+-----------------------------+--------+----------+
@Group
@Repeat
|~Organization~               |~Liter~ |~Summa~   |
@EndRepeat
@EndGroup
+-----------------------------+--------+----------+
|Total                        |~LitA~  |~SumA~    |
@REPEATCOLBEG
~Operator~
Checked                        ~Chk~   |          |
@EndPage
