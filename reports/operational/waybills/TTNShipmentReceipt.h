#pragma once
// The shipment receipt of a waybill ("Квитанция об отгрузке.html", '#' 16):
// one block per fuel row with the mass in kilograms, volume, density,
// pressure and temperature, the dispensers that served the loading and the
// loading's time span from the dispenser history and the sales log. It
// always reads TTNDETAIL (no fallback to the waybill's own row).

#include <string>

namespace tv {

class TReportCreator;

// Builds the receipt into LastHTMLReport and sets `text` to the notice; a
// failure is raised with the context "ФормированиеКвитанцииОбОтгрузке".
void PrintShipmentReceipt(TReportCreator& creator, int ttnId, std::string& text);

}  // namespace tv
