@Page
x
@Grup
@Group
