@Page
Title
@Group
@Repeat
row ~ROW~@
@EndRepeat
@EndGroup
end
@EndPage
