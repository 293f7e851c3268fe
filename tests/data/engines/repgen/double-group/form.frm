@Page
page header
@Group
group header
@Group
lost line
@Repeat
row
@EndRepeat
@EndGroup
footer
@EndPage
