@Page
~SmNum~                      ;~Operator~                      ;~BegTime~                      ;~EndTime~                      
@Group
@Repeat
~R~                      ;~G~                      ;~Gsm~                      ;~SPr~                      ;~SPrx~                      ;~SPrk~                      ;~SBegL~                      ;~SBegK~                      ;~BSm~                      ;~BL~                      ;~CBl~                      ;~Plt~                      ;~SEndM~                      ;~OSm~                      ;~Ol~                      ;~CEL~                      ;~REndL~                      ;~SiloSm~                      ;~SSm~                      ;~Pog~                      ;~Pog+~                      ;~Pog-~                      ;~SK~                      ;~BNSum~                      ;~SmM~                      ;~Mr~                      ;~NalL~                      ;~NL0~                      ;~Summa~                      ;~Card~                      ;~Cd~                      ;~Pri~                      ;~N~                      ;~Trk~                      ;~TrkBeg~                      ;~TrkEnd~                      ;~TrkBeg2~                      ;~TrkEnd2~                      ;~TrkRsx~                      ;~TrkSmM~                      ;~PL~                      
@EndRepeat
----
@EndGroup
~InL~                      ;~BOsL~                      ;~OstL~                      ;~OstLC~                      ;~TrkL~                      ;~TrkLN~                      ;~Mer~                      ;~AM~                      ;~Bezn~                      ;~AC~                      ;~AS~                      ;~ABN~                      ;~NAL~                      ;~ItogoRub~                      ;~iPog~                      ;~iPog+~                      ;~iPog-~                      
@EndPage
