@Page
@Group
@Repeat
~GsmName~                  ;~S0~                  ;~Sd2~                  ;~AS~                  ;~NS~                  
@EndRepeat
@EndGroup
Itog_S;~Itog_S~                  
@EndPage
