@Page
Slot at the end ~End~
Two slots ~A~~B~|
Overflow ~O~~C~|
Long value ~L~ and the rest of the line
Border kept |~L~     |
Border after slot |~L~|
Narrow ~N~~R~.
Unset [~Nothing~] [~Nothing~@]
Value with tildes ~T~ ~End~
@EndPage
