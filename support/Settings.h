#pragma once

#include <QSizeF>
#include <QString>
#include <array>

// The program's settings: text values of one key of the current user's registry. Each call reads or
// writes the store at once, and a missing value reads as its default. A value that cannot be
// stored is said once in a message box (until a write succeeds again) and stays in effect for the
// rest of the run.
namespace settings {

inline constexpr QLatin1StringView kKey("LoginExTov\\Tov\\Properties");
inline constexpr int kSecimCount = 18;

// Code of the most recently entered service record ("01-0001-01"); "" when none yet.
QString dataNo();
void setDataNo(const QString& code);

// Whether field headings are printed; off unless the value is "True".
bool baslik();
void setBaslik(bool on);

// Which fields are printed: item n is position n+1 of an 18-character text of "1" and "0".
// Positions beyond the end of a shorter text are not selected.
std::array<bool, kSecimCount> secim();
void setSecim(const std::array<bool, kSecimCount>& selected);

// Whether the record code is printed as a barcode on the service form: an item the 18-character
// selection has no room for, so a value of its own; off unless "True".
bool barkod();
void setBarkod(bool on);

// Device name of the chosen printer; "" keeps the default printer.
QString prn();
void setPrn(const QString& printer);

// The label printer, kept apart from the form's printer: a label printer is rarely the same.
QString etiketYazici();
void setEtiketYazici(const QString& printer);

// The label's size in millimetres ("62x29"); the common 62 × 29 mm roll unless set.
QSizeF etiketBoyu();
void setEtiketBoyu(const QSizeF& millimetres);

// The automatic backups' second place, a folder of the user's choice ("" when none), and the
// hours after which a running program takes another backup of what was written (4 unless set).
QString yedekYeri2();
void setYedekYeri2(const QString& folder);
int yedekAraligi();
void setYedekAraligi(int hours);

// The PostgreSQL server the desks share, as a libpq connection string ("host=… dbname=…
// user=…"); "" keeps the two database files of the program directory. A password never goes
// here: libpq reads it from the user's ~/.pgpass.
QString sunucu();
void setSunucu(const QString& conninfo);

} // namespace settings
