@Page
Page ~PAGE~@
@Group
@Repeat
row ~ROW~@
@EndRepeat
@EndGroup
footer 1
footer 2
@EndPage
