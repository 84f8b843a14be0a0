#pragma once

#include "Raw.h"
#include "Report.h"
#include "ScriptedDialogs.h"

#include <QList>
#include <QPointer>

class Form2;
class WindowDriver;

// The stock list through its window, opened from the service window as a user opens it, against
// the same work in plain SQLite on the same files (or libpq alone on the same server).
class StockBench {
public:
    StockBench(WindowDriver& d, RawDb& stok, int repeat, ScriptedDialogs& dialogs);
    QList<Result> run();

private:
    Form2* openList();
    void closeList();
    std::vector<QString> typedTexts();
    Result open();
    Result typing(bool engineOnly);
    Result sort();
    Result groupFilter();
    Result handBack();
    Result deleteCard(bool heaviest);

    WindowDriver& d_;
    RawDb& stok_;
    int repeat_;
    ScriptedDialogs& dialogs_;
    QPointer<Form2> list_;
    int cards_ = 0;
    std::string cardOrder_; // the list's order: by code, without regard to case
};
