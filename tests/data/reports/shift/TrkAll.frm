@Page
SmNum=~SmNum~                  ;Beg=~BegTime~                  ;End=~EndTime~                  ;EndT=~EndT~                  ;Op=~Operator~                  
@Group
@Repeat
~TN~                  ;~RN~                  ;~GN~                  ;~Gsm~                  ;~Price~                  ;~Den~                  ;~TrkBeg~                  ;~TrkEnd~                  ;~TrkAll~                  ;~TrkB~                  ;~TrkE~                  ;~TrkSm~                  ;~TrkSmK~                  ;~TrkSmM~                  ;~TrkSmSum~                  ;~PL~                  ;~TrkSmenaR~                  ;~TrkEl~                  ;~BalEl~                  ;~BalEp~                  ;~Bal~                  ;~TrkSmenaREL~                  ;~TrkSmenaREP~                  ;~Flow~                  ;~TrkBegEl~                  ;~TrkEndEl~                  
@EndRepeat
@EndGroup
~ItogoRub~                  ;~ItogoRubEl~                  ;~ItogoRubEp~                  ;~ItogoRubE~                  ;~ItogoBalEl~                  ;~STrkSm~                  ;~STrkSmK~                  ;~STrkSmM~                  ;~STrkSmSum~                  
@EndPage
