head
@Page
page header
@Group
group header ~Name~|
@Repeat
row ~Item~
@EndRepeat
group footer
@EndGroup
page footer
@EndPage
tail
