@Page
head
@Group
@Repeat
~S~                      ;~SiloName~                      ;~Gsm~                      ;~BOL~                      ;~BOK~                      ;~PL~                      ;~PK~                      ;~RNL~                      ;~RNKg~                      ;~RNR~                      ;~RBL~                      ;~RBKg~                      ;~RBR~                      ;~Itog~                      ;~ItogKg~                      ;~ItogS~                      ;~EOL~                      ;~EOK~                      
@EndRepeat
@EndGroup
~ItogoRub~                      ;~Tail~                      
@EndPage
