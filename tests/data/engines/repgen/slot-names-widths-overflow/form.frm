@Page
Page ~page~ of report ~PAGE~
Organization: ~Organization~|
@Group
+-------+--+-+---+
@Repeat
|~Liter~|~N~|~R~|~n~|
@EndRepeat
@EndGroup
Total: ~Summa~@ rub.
@EndPage
