~KKMModel~                    ;~KKMNum~                    ;~KKMRNum~                    ;
