#pragma once
// The fuel-sales provider's statement written out from its sixteen lines,
// with the given text in place of each macro.

#include <string>

namespace tv::test {

inline std::string LogTranText(const std::string& checked, const std::string& id2cnt,
                               const std::string& plotnomer, const std::string& ttndetjoin,
                               const std::string& indexsale, const std::string& wherettn,
                               const std::string& contrjoin, const std::string& gpjoin) {
  return "SELECT " + checked +
         " lt.INDEXSALE, CAST(CAST(lt.DATA AS VARCHAR(30)) AS TIMESTAMP) AS TIDEDATE, \r\n"
         "       lt.GSMNAME, lt.LITER, (lt.PLOTN * lt.LITER) AS MASSA,\r\n"
         "       lt.SUMMA, lt.PLISTNUM, CAST(CAST(c.CONTR_ID AS VARCHAR(10)) AS INTEGER) AS CONTR_ID,\r\n"
         "       c.NAME AS CNAME, drv.NAME AS DRIVERFIO, drv.UDOST,\r\n"
         "       car.MARKA AS CARMARKA, car.NAME AS CARGOSNUM, car.PRMARKA, car.PRNAME AS PRGOSNUM,\r\n"
         "       car.PRNUMBER AS PRGARNUMBER, lt.PLOTN " + id2cnt + " " + plotnomer + "\r\n"
         "FROM\r\n(SELECT  lt.* FROM LOGTRAN lt\r\n" + ttndetjoin + "\r\nWHERE (" + indexsale +
         ") AND " + wherettn + "\r\n       \r\nORDER BY lt.INDEXSALE DESC, lt.DATA DESC) lt\r\n"
         "LEFT JOIN CONTRAGENT c ON " + contrjoin + "\r\n" + gpjoin + "\r\n"
         "LEFT JOIN VDDRIVER drv ON lt.IDDRV = drv.ID\r\nLEFT JOIN VDCAR car ON lt.IDCAR = car.ID\r\n";
}

}  // namespace tv::test
