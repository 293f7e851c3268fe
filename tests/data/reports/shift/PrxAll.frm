@Page
@Group
@Repeat
~CarName~                      ;~Gsm~                      ;~SiloName~                      ;~NDoc~                      ;~PrD~                      ;~PrT~                      ;~PrDT~                      ;~PrName~                      ;~Vol~                      ;~VolF~                      ;~Den~                      ;~DenF~                      ;~Mass~                      ;~MassF~                      ;~T~                      ;~Delta~                      ;~CFVol~                      ;~CFDen~                      ;~CFTmp~                      ;~CFVKg~                      
@EndRepeat
@EndGroup
~iVol~                      ;~iVolF~                      ;~iMass~                      ;~iMassF~                      ;~iCFVol~                      ;~iCFVKg~                      
@EndPage
