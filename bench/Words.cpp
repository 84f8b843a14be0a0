#include "Words.h"

#include <QString>
#include <algorithm>
#include <array>

namespace words {

namespace {

const char* const kFirstNames[] = {
    "Ahmet",   "Mehmet", "Mustafa", "Ali",     "Hüseyin", "Hasan",    "İbrahim",  "İsmail", "Osman",
    "Yusuf",   "Murat",  "Ömer",    "Ramazan", "Halil",   "Süleyman", "Abdullah", "Mahmut", "Recep",
    "Salih",   "Fatih",  "Kemal",   "Emre",    "Burak",   "Serkan",   "Hakan",    "Onur",   "Volkan",
    "Cem",     "Can",    "Tolga",   "Erkan",   "Gökhan",  "Uğur",     "Kaan",     "Barış",  "Deniz",
    "Oğuz",    "Selim",  "Tuncay",  "Anıl",    "Fatma",   "Ayşe",     "Emine",    "Hatice", "Zeynep",
    "Elif",    "Meryem", "Şerife",  "Zehra",   "Sultan",  "Hanife",   "Merve",    "Özlem",  "Esra",
    "Yasemin", "Hülya",  "Derya",   "Aylin",   "Gül",     "Sevgi",    "Songül",   "Tuğba",  "Büşra",
    "Ebru",    "Gamze",  "Çiğdem",  "Nur",     "Dilek",   "Şule",     "Pınar",    "İrem",   "Aslı",
    "Seda",    "Ece",    "Gizem",   "Burcu",   "Melek",   "Neslihan", "Nazlı",    "Nihan",
};

const char* const kSurnames[] = {
    "Yılmaz",  "Kaya",   "Demir",    "Şahin",    "Çelik",   "Yıldız",   "Yıldırım", "Öztürk", "Aydın",
    "Özdemir", "Arslan", "Doğan",    "Kılıç",    "Aslan",   "Çetin",    "Kara",     "Koç",    "Kurt",
    "Özkan",   "Şimşek", "Polat",    "Özcan",    "Korkmaz", "Çakır",    "Erdoğan",  "Yavuz",  "Can",
    "Acar",    "Şen",    "Aktaş",    "Güler",    "Yalçın",  "Güneş",    "Bozkurt",  "Bulut",  "Keskin",
    "Ünal",    "Turan",  "Gül",      "Özer",     "Işık",    "Kaplan",   "Avcı",     "Sarı",   "Tekin",
    "Taş",     "Köse",   "Yüksel",   "Ateş",     "Aksoy",   "Güzel",    "Ekinci",   "Akın",   "Bayram",
    "Uçar",    "Altun",  "Karakaya", "Tunç",     "Sönmez",  "Uysal",    "Erdem",    "Akgül",  "Çiftçi",
    "Kaçar",   "Duman",  "Coşkun",   "Karaca",   "Akbulut", "Demirci",  "Karataş",  "Güven",  "Orhan",
    "Toprak",  "Sezer",  "Kalkan",   "Özgür",    "Başaran", "Ankaralı", "Andaç",    "Anar",   "Ilgaz",
    "İnce",    "Oral",   "Uzun",     "Ergün",    "Esen",    "Ören",     "Bilgin",   "Sevim",  "Türkmen",
    "Ayhan",   "Dinç",   "Elmas",    "Gündoğdu", "Kocaman", "Metin",    "Nalbant",  "Oktay",  "Pehlivan",
    "Saygılı", "Tosun",  "Ulusoy",   "Vural",    "Zengin",
};

const char* const kCompanyWords[] = {
    "Anadolu",   "Ankara",   "Antalya", "Ege",    "Marmara", "Akdeniz",       "Karadeniz", "Doğu",
    "Güney",     "Kuzey",    "Yıldız",  "Güneş",  "Kartal",  "Doruk",         "Zirve",     "Başkent",
    "Boğaziçi",  "Toros",    "Erciyes", "Uludağ", "Fırat",   "Dicle",         "Sakarya",   "Pamukkale",
    "Kapadokya", "Mavi",     "Yeşil",   "Altın",  "Gümüş",   "Elmas",         "İnci",      "Lale",
    "Çınar",     "Meşe",     "Defne",   "Nergis", "Atlas",   "Bilge",         "Usta",      "Özgür",
    "Yeni",      "Modern",   "Birlik",  "Güven",  "Dostlar", "Kardeşler",     "Ak",        "Pınar",
    "Umut",      "Işık",     "Tekno",   "Anka",   "Anıt",    "Ankara Yıldız", "Ilıca",     "Irmak",
    "İlke",      "İstikbal", "Özen",    "Şimşek", "Çağdaş",  "Öncü",          "Ünlü",
};

const char* const kSectors[] = {
    "Bilgisayar",
    "Elektronik",
    "Bilişim",
    "Teknoloji",
    "Yazılım",
    "Otomasyon",
    "Elektrik",
    "Beyaz Eşya",
    "Soğutma",
    "İklimlendirme",
    "Ofis Sistemleri",
    "Kırtasiye",
    "Fotokopi",
    "Güvenlik Sistemleri",
    "Telekomünikasyon",
    "İletişim",
    "Medikal",
    "Eczanesi",
    "Otomotiv",
    "Gıda",
    "Market",
    "İnşaat",
    "Mimarlık",
    "Mühendislik",
    "Tekstil",
    "Konfeksiyon",
    "Mobilya",
    "Dekorasyon",
    "Turizm",
    "Otelcilik",
    "Lojistik",
    "Nakliyat",
    "Muhasebe",
    "Danışmanlık",
    "Hukuk Bürosu",
    "Reklam",
    "Matbaacılık",
    "Enerji",
    "Tarım",
    "Kuyumculuk",
};

const char* const kSuffixes[] = {
    "Ltd. Şti.", "A.Ş.",       "San. ve Tic. Ltd. Şti.", "San. ve Tic. A.Ş.", "Tic. Ltd. Şti.", "",
    "Ticaret",   "Hizmetleri",
};

const char* const kBranches[] = {"Merkez",   "Kadıköy", "Çankaya", "Konak",     "Nilüfer",  "Muratpaşa",
                                 "Selçuklu", "Seyhan",  "Atakum",  "Ortahisar", "Tepebaşı", "Karşıyaka"};

struct City {
    const char* name;
    const char* areaCode;
    int weight;
};

const City kCities[] = {
    {"İstanbul", "212", 180},     {"Ankara", "312", 65},    {"İzmir", "232", 50},
    {"Bursa", "224", 35},         {"Antalya", "242", 30},   {"Konya", "332", 25},
    {"Adana", "322", 25},         {"Şanlıurfa", "414", 20}, {"Gaziantep", "342", 20},
    {"Kocaeli", "262", 20},       {"Mersin", "324", 18},    {"Diyarbakır", "412", 18},
    {"Hatay", "326", 16},         {"Manisa", "236", 16},    {"Kayseri", "352", 14},
    {"Samsun", "362", 13},        {"Balıkesir", "266", 12}, {"Kahramanmaraş", "344", 12},
    {"Van", "432", 11},           {"Aydın", "256", 11},     {"Tekirdağ", "282", 11},
    {"Sakarya", "264", 10},       {"Denizli", "258", 10},   {"Muğla", "252", 10},
    {"Eskişehir", "222", 9},      {"Mardin", "482", 8},     {"Malatya", "422", 8},
    {"Trabzon", "462", 8},        {"Erzurum", "442", 8},    {"Ordu", "452", 7},
    {"Afyonkarahisar", "272", 7}, {"Sivas", "346", 6},      {"Adıyaman", "416", 6},
    {"Tokat", "356", 6},          {"Zonguldak", "372", 6},  {"Elazığ", "424", 6},
    {"Batman", "488", 6},         {"Kütahya", "274", 6},    {"Çorum", "364", 5},
    {"Çanakkale", "286", 5},      {"Osmaniye", "328", 5},   {"Şırnak", "486", 5},
    {"Ağrı", "472", 5},           {"Isparta", "246", 4},    {"Giresun", "454", 4},
    {"Aksaray", "382", 4},        {"Yozgat", "354", 4},     {"Edirne", "284", 4},
    {"Düzce", "380", 4},          {"Kastamonu", "366", 4},  {"Uşak", "276", 4},
    {"Kırklareli", "288", 4},     {"Niğde", "388", 4},      {"Muş", "436", 4},
    {"Rize", "464", 3},           {"Amasya", "358", 3},     {"Siirt", "484", 3},
    {"Bolu", "374", 3},           {"Nevşehir", "384", 3},   {"Bingöl", "426", 3},
    {"Bitlis", "434", 3},         {"Kırıkkale", "318", 3},  {"Karaman", "338", 3},
    {"Hakkari", "438", 3},        {"Yalova", "226", 3},     {"Karabük", "370", 2},
    {"Erzincan", "446", 2},       {"Kırşehir", "386", 2},   {"Sinop", "368", 2},
    {"Bartın", "378", 2},         {"Iğdır", "476", 2},      {"Artvin", "466", 2},
    {"Çankırı", "376", 2},        {"Burdur", "248", 2},     {"Bilecik", "228", 2},
    {"Ardahan", "478", 1},        {"Gümüşhane", "456", 1},  {"Kilis", "348", 1},
    {"Tunceli", "428", 1},        {"Bayburt", "458", 1},
};

const char* const kStreets[] = {
    "Atatürk Cad.",    "İnönü Cad.",       "Cumhuriyet Cad.",  "Gazi Bulvarı",      "İstasyon Cad.",
    "Okul Sok.",       "Lale Sok.",        "Çiçek Sok.",       "Menekşe Sok.",      "Gül Sok.",
    "Bahar Sok.",      "Millet Cad.",      "Hükümet Cad.",     "Fevzi Çakmak Cad.", "Kazım Karabekir Cad.",
    "Mithatpaşa Cad.", "Namık Kemal Sok.", "Ziya Gökalp Cad.", "Şehit Ömer Sok.",   "Ilgın Sok.",
};

const char* const kNeighbourhoods[] = {
    "Cumhuriyet Mah.",   "Atatürk Mah.",  "Yeni Mah.",      "Fatih Mah.",  "Yunus Emre Mah.",
    "Barbaros Mah.",     "Hürriyet Mah.", "İstiklal Mah.",  "Gazi Mah.",   "Mimar Sinan Mah.",
    "Mevlana Mah.",      "Zafer Mah.",    "Karşıyaka Mah.", "Çamlık Mah.", "Esentepe Mah.",
    "Bahçelievler Mah.", "Kocatepe Mah.", "Yeşilyurt Mah.",
};

const char* const kMailHosts[] = {"eposta.com.tr", "posta.net.tr", "ornekmail.com"};

struct Appliance {
    const char* system;
    std::vector<const char*> complaints;
    std::vector<const char*> works;
};

const std::vector<Appliance>& appliances() {
    static const std::vector<Appliance> list{
        {"Dizüstü Bilgisayar",
         {"Açılmıyor", "Ekran görüntü vermiyor", "Şarj olmuyor", "Aşırı ısınıyor, kendiliğinden kapanıyor",
          "Klavyede bazı tuşlar çalışmıyor", "Çok yavaş çalışıyor", "Üzerine çay döküldü", "Menteşe kırık"},
         {"Anakart onarıldı", "Ekran paneli değişti", "Şarj soketi değişti",
          "Fan temizlendi, termal macun yenilendi", "Klavye değişti", "İşletim sistemi yeniden kuruldu",
          "SSD takıldı, veriler aktarıldı", "Menteşe değişti"}},
        {"Masaüstü Bilgisayar",
         {"Açılmıyor", "Sık sık mavi ekran veriyor", "Ses kartı çalışmıyor", "Kasa fanı çok ses yapıyor",
          "İnternete bağlanmıyor"},
         {"Güç kaynağı değişti", "Bellek değişti", "Sürücüler güncellendi", "Fan değişti",
          "Ağ kartı takıldı"}},
        {"Yazıcı",
         {"Kağıt sıkıştırıyor", "Soluk baskı alıyor", "Kağıt çekmiyor", "Hata ışığı yanıp sönüyor",
          "Çıktılarda çizgi var"},
         {"Merdane değişti", "Toner değişti", "Fuser ünitesi değişti", "Kafa temizliği yapıldı",
          "Drum ünitesi değişti"}},
        {"Monitör",
         {"Görüntü gelip gidiyor", "Ekranda dikey çizgi var", "Açılmıyor", "Renkler soluk"},
         {"Besleme kartı onarıldı", "Panel değişti", "Kondansatörler değişti", "Görüntü kablosu değişti"}},
        {"Cep Telefonu",
         {"Ekran kırık", "Şarj olmuyor", "Görüşmede ses gelmiyor", "Kamera çalışmıyor", "Suya düştü"},
         {"Ön cam değişti", "Batarya değişti", "Şarj soketi değişti", "Hoparlör değişti",
          "Kamera modülü değişti"}},
        {"Tablet",
         {"Dokunmatik çalışmıyor", "Şarj tutmuyor", "Açılışta takılıyor"},
         {"Dokunmatik panel değişti", "Batarya değişti", "Yazılım yeniden yüklendi"}},
        {"Televizyon",
         {"Görüntü yok, ses var", "Kumandayı algılamıyor", "Kendi kendine açılıp kapanıyor",
          "Ekranın yarısı karanlık"},
         {"LED bar değişti", "Besleme kartı onarıldı", "T-Con kartı değişti", "Kumanda alıcısı değişti"}},
        {"Çamaşır Makinesi",
         {"Su almıyor", "Sıkma yapmıyor", "Su boşaltmıyor", "Hata kodu veriyor", "Kapağı açılmıyor"},
         {"Pompa değişti", "Motor kömürü değişti", "Kapak kilidi değişti", "Elektronik kart onarıldı",
          "Su giriş ventili değişti"}},
        {"Buzdolabı",
         {"Soğutmuyor", "Sürekli çalışıyor", "Alttan su akıtıyor"},
         {"Gaz şarjı yapıldı", "Termostat değişti", "Kompresör rölesi değişti", "Tahliye kanalı açıldı"}},
        {"Klima",
         {"Soğutmuyor", "İç üniteden su damlatıyor", "Kötü koku yapıyor"},
         {"Gaz dolumu yapıldı", "Bakım ve temizlik yapıldı", "Drenaj hortumu değişti"}},
        {"Yazar Kasa",
         {"Fiş basmıyor", "Ekranı yanmıyor", "Z raporu alınamıyor"},
         {"Yazıcı mekanizması değişti", "Ekran kartı değişti", "Mali hafıza kontrol edildi"}},
        {"Modem",
         {"İnternet bağlantısı kopuyor", "Kablosuz ağ görünmüyor"},
         {"Yazılım güncellendi", "Adaptör değişti", "Cihaz değişti"}},
    };
    return list;
}

const char* const kBrands[] = {"Arvelo", "Teknova", "Lumex",  "Zentra", "Korvin", "Veltra",
                               "Orbis",  "Nexar",   "Altira", "Pelora", "Strata", "Dynavo"};

const char* const kResults[] = {"Çalışıyor, teslim edildi", "Çalışıyor",
                                "Parça bekleniyor",         "Tamir edilemedi, iade edildi",
                                "Müşteri onarım istemedi",  "Garanti kapsamında değişim yapıldı"};

const char* const kTechnicians[] = {"Oğuz Demir", "İsmail Çelik", "Serkan Yıldız", "Murat Kaya",
                                    "Emre Aydın", "Hakan Şahin",  "Burak Koç",     "Tolga Aksoy",
                                    "Cem Güler",  "Volkan Taş",   "Erkan Polat",   "Kaan Arslan"};

const char* const kStaff[] = {"Ayşe Yılmaz",  "Elif Kara", "Merve Doğan",
                              "Zeynep Çetin", "Fatma Öz",  "Derya Işık"};

std::string join(std::initializer_list<std::string> parts) {
    std::string out;
    for (const std::string& p : parts) {
        if (p.empty())
            continue;
        if (!out.empty())
            out += ' ';
        out += p;
    }
    return out;
}

const City& city(Rng& rng) {
    static const int total = [] {
        int sum = 0;
        for (const City& c : kCities)
            sum += c.weight;
        return sum;
    }();
    int w = rng.below(total);
    for (const City& c : kCities) {
        if (w < c.weight)
            return c;
        w -= c.weight;
    }
    return kCities[0];
}

// Mailbox names are ASCII: Turkish letters lose their marks, everything else but letters and
// digits goes.
std::string mailbox(const std::string& text) {
    static const std::array<std::pair<char16_t, char>, 12> plain{{{u'ç', 'c'},
                                                                  {u'Ç', 'c'},
                                                                  {u'ğ', 'g'},
                                                                  {u'Ğ', 'g'},
                                                                  {u'ı', 'i'},
                                                                  {u'İ', 'i'},
                                                                  {u'ö', 'o'},
                                                                  {u'Ö', 'o'},
                                                                  {u'ş', 's'},
                                                                  {u'Ş', 's'},
                                                                  {u'ü', 'u'},
                                                                  {u'Ü', 'u'}}};
    std::string out;
    for (QChar c : QString::fromUtf8(text)) {
        const auto it = std::find_if(plain.begin(), plain.end(), [c](const auto& p) { return p.first == c; });
        if (it != plain.end())
            out += it->second;
        else if (c.isLetterOrNumber() && c.unicode() < 0x80)
            out += static_cast<char>(c.toLower().unicode());
    }
    return out;
}

// One phrase of the list, or in `percent` of cases two different ones.
std::string oneOrTwo(Rng& rng, const std::vector<const char*>& phrases, int percent, const char* separator) {
    const int n = int(phrases.size());
    const int first = rng.below(n);
    std::string out = phrases[first];
    if (n > 1 && rng.percent(percent)) {
        out += separator;
        out += phrases[(first + 1 + rng.below(n - 1)) % n];
    }
    return out;
}

QChar upperChar(QChar c) {
    if (c == u'i')
        return u'İ';
    if (c == u'ı')
        return u'I';
    return c.toUpper();
}

QChar lowerChar(QChar c) {
    if (c == u'I')
        return u'ı';
    if (c == u'İ')
        return u'i';
    return c.toLower();
}

} // namespace

std::string digits(Rng& rng, int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += static_cast<char>('0' + rng.below(10));
    return out;
}

std::string firstName(Rng& rng) {
    return rng.pick(kFirstNames);
}

std::string branch(Rng& rng) {
    return rng.pick(kBranches);
}

std::string personName(Rng& rng) {
    return join({rng.pick(kFirstNames), rng.pick(kSurnames)});
}

std::string companyTitle(Rng& rng) {
    const std::string head = rng.percent(40) ? rng.pick(kSurnames) : rng.pick(kCompanyWords);
    return join({head, rng.pick(kSectors), rng.pick(kSuffixes)});
}

Customer customer(Rng& rng, const std::string& title, bool company) {
    const City& c = city(rng);
    Customer out;
    out.title = title;
    out.address1 = std::string(rng.pick(kStreets)) + " No: " + std::to_string(rng.between(1, 180));
    if (rng.percent(40)) {
        out.address1 += '/';
        out.address1 += std::to_string(rng.between(1, 24));
    }
    out.address2 = rng.pick(kNeighbourhoods);
    out.city = c.name;
    // Half mobile numbers, half landlines with the city's area code.
    const std::string prefix = rng.percent(50) ? std::to_string(rng.between(530, 555)) : c.areaCode;
    out.phone = "0" + prefix + digits(rng, 7);
    if (company) {
        out.taxOffice = rng.percent(50) ? std::string(c.name) : std::string(rng.pick(kBranches));
        out.taxNo = digits(rng, 10);
        out.email = "info@" + mailbox(title).substr(0, 24) + ".com.tr";
    } else {
        if (rng.percent(40))
            out.taxNo = std::to_string(rng.between(1, 9)) + digits(rng, 10);
        if (rng.percent(60))
            out.email = mailbox(title) + "@" + rng.pick(kMailHosts);
    }
    return out;
}

Job job(Rng& rng) {
    const auto& all = appliances();
    const Appliance& a = all[rng.below(int(all.size()))];
    const char* brand = rng.pick(kBrands);
    Job out;
    out.system = a.system;
    out.model =
        std::string(brand) + " " + std::string(brand, 2) + "-" + std::to_string(rng.between(100, 9900));
    out.serial = std::string(brand, 3) + digits(rng, 9);
    out.complaint = oneOrTwo(rng, a.complaints, 30, ". ");
    out.work = oneOrTwo(rng, a.works, 25, ", ");
    out.result = rng.pick(kResults);
    return out;
}

std::string technician(Rng& rng) {
    return rng.pick(kTechnicians);
}

std::string staff(Rng& rng) {
    return rng.pick(kStaff);
}

std::string payment(Rng& rng) {
    const std::string amount = std::to_string(rng.between(3, 120) * 50) + " TL";
    switch (rng.below(6)) {
    case 0:
        return "Nakit " + amount;
    case 1:
        return "Kredi kartı " + amount;
    case 2:
        return "Havale " + amount;
    case 3:
        return "Garanti kapsamında, ücret alınmadı";
    case 4:
        return "Cari hesaba işlendi";
    default:
        return "Servis ücreti " + amount + " nakit";
    }
}

const std::vector<Group>& groups() {
    static const std::vector<Group> list{
        {"Bilgisayar Parçaları", {"Anakart", "Bellek", "İşlemci", "Ekran Kartı", "Güç Kaynağı", "Fan"}},
        {"Depolama", {"Sabit Disk", "SSD", "Hafıza Kartı", "USB Bellek"}},
        {"Ekran", {"LCD Panel", "Arka Aydınlatma", "Ekran Kablosu", "Dokunmatik Panel"}},
        {"Yazıcı Parçaları", {"Toner", "Kartuş", "Drum Ünitesi", "Fuser", "Merdane", "Baskı Kafası"}},
        {"Telefon Parçaları", {"Batarya", "Şarj Soketi", "Hoparlör", "Kamera Modülü", "Ön Cam"}},
        {"Kablo ve Adaptör", {"Güç Kablosu", "HDMI Kablo", "Adaptör", "Şarj Aleti", "Ağ Kablosu"}},
        {"Beyaz Eşya Parçaları",
         {"Motor", "Pompa", "Rezistans", "Termostat", "Elektronik Kart", "Kapak Kilidi"}},
        {"Sarf Malzeme", {"Termal Macun", "Vida Seti", "Temizlik Spreyi", "Lehim", "Sigorta"}},
        {"Klavye ve Fare", {"Klavye", "Fare", "Touchpad", "Tuş Takımı"}},
        {"Televizyon Parçaları", {"Ana Kart", "Besleme Kartı", "T-Con Kartı", "LED Bar", "Kumanda"}},
    };
    return list;
}

Part part(Rng& rng) {
    const Group& g = groups()[rng.below(int(groups().size()))];
    const char* sub = g.subgroups[rng.below(int(g.subgroups.size()))];
    const char* brand = rng.pick(kBrands);
    return {g.name, sub,
            std::string(sub) + " " + brand + " " + std::string(brand, 1) +
                std::to_string(rng.between(10, 999))};
}

std::string barcode(Rng& rng) {
    std::string code = "869" + digits(rng, 9);
    int sum = 0;
    for (size_t i = 0; i < code.size(); ++i)
        sum += (code[i] - '0') * (i % 2 ? 3 : 1);
    return code + static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string upperTr(const std::string& text) {
    QString s = QString::fromUtf8(text);
    for (QChar& c : s)
        c = upperChar(c);
    return s.toStdString();
}

std::string titleTr(const std::string& text) {
    QString s = QString::fromUtf8(text);
    bool start = true;
    for (QChar& c : s) {
        c = start ? upperChar(c) : lowerChar(c);
        start = c.isSpace();
    }
    return s.toStdString();
}

std::string otherCase(const std::string& text) {
    const std::string upper = upperTr(text);
    return upper == text ? titleTr(text) : upper;
}

} // namespace words
