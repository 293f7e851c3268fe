Report head
@Page
Page ~PAGE~@
----
@Group
@Repeat
Row ~ROW~@
@EndRepeat
@EndGroup
----
Footer of page ~PAGE~@

@EndPage
Tail line
