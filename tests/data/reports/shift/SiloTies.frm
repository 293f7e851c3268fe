@Page
@Group
@Repeat
~S~                  ;~Itog~                  ;~IRK~                  ;~FreeV~                  ;~BL~                  ;~REndL~                  ;~P20B~                  
@EndRepeat
@EndGroup
@EndPage
