#include "platform/ib/IBClient.h"

#include <cmath>

namespace tv::ib_detail {

// A negative date-time counts days backwards but its fraction is still the
// time of that day: -1.25 is 1899-12-29 06:00.
TDateTime IscToDateTime(ISC_DATE date, ISC_TIME time) {
  const double days = static_cast<double>(date) - kIscDateOfDateTimeZero;
  const double fraction = static_cast<double>(time) / kIscTimeUnitsPerDay;
  return days >= 0 ? days + fraction : days - fraction;
}

void DateTimeToIsc(TDateTime value, ISC_DATE& date, ISC_TIME& time) {
  double days = std::trunc(value);
  double units = std::round(std::fabs(value - days) * kIscTimeUnitsPerDay);
  if (units >= kIscTimeUnitsPerDay) {  // rounded up to the next day's midnight
    units = 0;
    days += 1;
  }
  date = static_cast<ISC_DATE>(days + kIscDateOfDateTimeZero);
  time = static_cast<ISC_TIME>(units);
}

}  // namespace tv::ib_detail
