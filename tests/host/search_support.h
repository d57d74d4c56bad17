// What the row set and search tests share: a window over a scripted coordinator
// whose document search answers as the test says, rows shaped like the search's
// result, and the user's ways of picking a business type, setting the dates and
// pressing F2.
#pragma once

#include <QDate>
#include <QStringList>
#include <ostream>
#include <functional>
#include <string>
#include <vector>

#include "window_fixture.h"

// Texts in test failures, readable.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace trunaccount::testing {

// One document as the search returns it; what a test leaves alone is blank or
// zero, as the queries give it.
struct DocRow {
    std::string tick = "0";
    std::string unit = "1001";
    std::string number;
    double amount = 0;
    double taxFree = 0;
    double tax = 0;
    std::string paymentMethod = " ";  // f_zzzffs
    std::string bank = " ";           // f_zzyh
    std::string date = "20250110";    // f_rzrq
};

// A data packet with the eighteen result columns of the search, as the
// coordinator names and types them.
DataPacket documentsPacket(const std::vector<DocRow>& rows);
Variant documents(const std::vector<DocRow>& rows);

// The business type the user picks from the list.
void chooseBusinessType(host::TFrmTrunAccount* w, int type);
void setRange(host::TFrmTrunAccount* w, const QDate& from, const QDate& to);
// F2 pressed with the keyboard focus in the grid.
void pressF2(host::TFrmTrunAccount* w, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// The three parts of the totals line: count, ticked count, ticked amount.
QStringList totalsLine(const host::TFrmTrunAccount* w);
// The text a cell shows, by row and field name.
std::string shown(const host::TFrmTrunAccount* w, int row, const char* field);

// A window over a scripted coordinator: the start-up and the lookup lists are
// answered as scriptStartUp does; every other query is a document search,
// logged in `searches` and answered by `answer` (no rows by default).
class ScriptedWindowTest : public WindowTest {
protected:
    ScriptedWindowTest();
    host::TFrmTrunAccount* openScripted(const QString& mode = QStringLiteral("Input"));

    ScriptedCoordinator* coordinator = nullptr;
    CoordinatorRef coordinatorRef;
    std::vector<std::string> searches;
    std::function<bool(const std::string& sql, Variant& data)> answer;
};

}  // namespace trunaccount::testing
