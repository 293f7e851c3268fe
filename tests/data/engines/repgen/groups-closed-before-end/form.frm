@Page   
Goods by group
@Group
Group: ~Name~@
@Repeat
  ~Item~      ~Qty~
@EndRepeat
  subtotal ~Sub~@
@EndGroup
Total ~All~@
@EndPage
