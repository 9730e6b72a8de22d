at+CSCS="UCS2"|at+CSCS?|at+CSCS="PCCP437"|at+CSCS?|at+CSCS="UTF-8"|at+CSCS?|at+CMGF=0|at+CMGF?|at+CMGF=1|at+CMGF?|at+CSCS="GSM"|at+CSCS?|at+CGMI|at+CGMM|at+CGSN|at+CGMR|at+CSQ|at+CBC
