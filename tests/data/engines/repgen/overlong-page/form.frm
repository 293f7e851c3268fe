@Page
Page ~PAGE~@
----
@Group
@Repeat
row ~ROW~@
@EndRepeat
@EndGroup
footer
@EndPage
