@Page
     ~Data~                      ~AZS~                                       ~Time~
                           ОТПУСК ПО ВЕДОМОСТИ

~Date~
@REPEATCOLBEG 32
+-----------------------------+---------+
|                             | ~GSM~   |
|         Организация         |---------|
|                             | Литров  |
+-----------------------------+---------+
@Group          
@Repeat         
|~Organization~               |~Liter~  |
@EndRepeat      
@EndGroup       
+-----------------------------+---------+
|  Итого                      |~LiterA~ |
+-----------------------------+---------+
@REPEATCOLBEG
~Operator~
@EndPage
