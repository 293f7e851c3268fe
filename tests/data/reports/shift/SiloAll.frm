@Page
@Group
@Repeat
~S~                  ;~Gsm~                  ;~SiloName~                  ;~Volume~                  ;~FreeV~                  ;~BOL~                  ;~BOK~                  ;~EOL~                  ;~EOK~                  ;~EOR~                  ;~EOKc~                  ;~SPrx~                  ;~SPrk~                  ;~Rash~                  ;~RNL~                  ;~RNK~                  ;~RNR~                  ;~RBL~                  ;~RBK~                  ;~RBR~                  ;~REndL~                  ;~REndK~                  ;~REL~                  ;~SE20L~                  ;~P20E~                  ;~PltB~                  ;~T~                  
@EndRepeat
@EndGroup
~ItogoRub~                  
@EndPage
