#pragma once
// The goods departments' back-sales in the return act: with cnf.ini
// [REPORTS] PutTovarBackSalesToAkt "1", each payment-type group of the act
// also lists the goods that the departments took back in the act's period
// and paid with that payment type. Every department keeps its own Firebird
// database, "<folder>\<folder's last name>.FDB", connected for one count or
// one listing and closed again.

namespace tv {

struct TAktVozvrState;

// The back-sale documents paid with payment code `oplNum` in the act's
// period, over every department; 0 when the setting is off or there are no
// departments.
int CountTovarBackSales(TAktVozvrState& state, int oplNum);

// Appends the back-sale lines of the current group's payment code to the
// group of the form and the template (numbering on after its return rows)
// and adds their sums to the group's SummaAll.
void AddTovarBackSales(TAktVozvrState& state);

// A department database that cannot be opened or read fails the report
// with the database layer's message naming the file, after that
// department's query and connection are freed.

}  // namespace tv
