@Page
@EndPage
