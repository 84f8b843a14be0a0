#pragma once

#include "frmServis.h"

#include <QString>
#include <memory>

// Builds the service window on the program directory in use and runs its load, as start-up does.
// Throws when the load fails.
std::unique_ptr<frmServis> loadWindow();

// Lets the window finish what a user waits for after an action: queued reactions, layout and
// painting.
void settle();

// A loaded, active service window, driven through its widgets by objectName as a user would.
class WindowDriver {
public:
    explicit WindowDriver(std::unique_ptr<frmServis> loaded = loadWindow());
    ~WindowDriver();
    WindowDriver(const WindowDriver&) = delete;
    WindowDriver& operator=(const WindowDriver&) = delete;

    frmServis& window() const { return *window_; }
    template <typename T> T* child(const QString& name) const {
        T* w = window_->findChild<T*>(name);
        if (!w)
            missing(name);
        return w;
    }

    void click(const QString& name) const;
    void type(QWidget* target, const QString& text) const;
    void chooseField(int index) const;   // Combo1, as a pick from its list does
    void setListPanel(bool shown) const; // the Liste check box
    void pickFromList(int row) const;    // a click on a row of DBList1
    void setFilterText(const QString& text) const;
    bool filterOn() const;

    QString code() const;
    QString title() const;
    int gridRows() const;
    engine::Recordset& records() const { return window_->Data1()->rs(); }

private:
    [[noreturn]] static void missing(const QString& name);

    std::unique_ptr<frmServis> window_;
};
