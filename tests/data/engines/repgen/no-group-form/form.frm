@Page

            Shift opened ~SmenaBeg~@
            Operator: ~Operator~
@EndPage
