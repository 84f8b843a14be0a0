#pragma once

#include <QString>
#include <array>

// Which field of a service record each text box of the record panel shows, and how much the
// user may type into it.
struct TextField {
    int box; // index in Text1
    const char* field;
    int limit; // characters
};

inline constexpr std::array<TextField, 18> kTextFields{{
    {0, "Unvan", 50},
    {1, "Adres1", 50},
    {2, "Adres2", 50},
    {3, "Sehir", 50},
    {4, "Telefon", 11},
    {5, "VergiDa", 50},
    {6, "VergiNo", 50},
    {7, "Ilgili", 50},
    {8, "Sistem", 50},
    {9, "MarkaModel", 50},
    {10, "SeriNo", 50},
    {11, "ServisiYapan", 50},
    {12, "TeslimAlan", 50},
    {13, "TahilatBilgisi", 200},
    {14, "BasvuruSebebi", 200},
    {15, "YapilanIs", 200},
    {16, "Sonuc", 200},
    {17, "Email", 50},
}};

inline QString fieldOfBox(int box) {
    return QString::fromLatin1(kTextFields[box].field);
}

// The customer boxes copied from and to the customer table, in box order (Email is apart).
inline constexpr std::array<const char*, 7> kCustomerFields{"Unvan",   "Adres1",  "Adres2", "Sehir",
                                                            "Telefon", "VergiDa", "VergiNo"};

inline const QString kNerdeEntries[] = {QStringLiteral("Yerinde"), QStringLiteral("Firmada")};
inline const QString kDurumEntries[] = {QStringLiteral("Bekliyor"), QStringLiteral("Tamam"),
                                        QStringLiteral("Olmuyor")};
