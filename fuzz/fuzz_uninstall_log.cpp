// The uninstaller's removal on any log, over real folders with planted links: whatever the log
// says, nothing outside the program folder goes except the installation's own shortcuts in the
// applications menu and on the desktop, the data files and backups stay, and a log that cannot be
// read removes nothing and stays. "$R" in the input stands for the root of the tree.
#include "Removal.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string entry(const std::string& exec, const std::string& path) {
    return "[Desktop Entry]\nType=Application\nName=Kelvora Teknik Servis\nExec=" + exec + "\nPath=" + path +
           "\n";
}

struct Tree {
    QTemporaryDir dir;
    fs::path root{dir.path().toStdString()};

    // Files that must outlive any log.
    std::vector<fs::path> kept;
    // Program files and the installation's shortcuts: only a log that can be read removes them.
    std::vector<fs::path> removable;

    void file(const std::string& relative, bool keep, const std::string& text = {}) {
        const fs::path p = root / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << text;
        (keep ? kept : removable).push_back(p);
    }
    void link(const std::string& relative, const std::string& target) {
        fs::create_symlink(target, root / relative);
        removable.push_back(root / relative);
    }

    bool whole = false; // every file of the tree is in place

    void build() {
        if (whole)
            return;
        kept.clear();
        removable.clear();
        fs::remove_all(root);
        const std::string program = (root / "program").string();
        const std::string ours = entry('"' + program + "/KelvoraTeknikServis\"", program);
        for (const char* f :
             {"program/ok.wav", "program/Uninstall", "program/Windows/st6unst.exe", "program/sub/a/b.wav"})
            file(f, false);
        for (const char* f : {"program/Servis.mdb", "program/Satir.dat", "program/sub/Stok.mdb",
                              "program/Yedekler/1/Servis.mdb.zst", "program/Yedekler/not.txt", "out/victim",
                              "out/sub/victim"})
            file(f, true);
        file("out/Kelvora Teknik Servis.desktop", true, ours);
        file("config/autostart/Kelvora Teknik Servis.desktop", true, ours);
        file("data/applications/Ofis/Kelvora Teknik Servis.desktop", true, ours);
        file("data/applications/Kelvora Teknik Servis.desktop", false, ours);
        file("data/applications/other.desktop", true, entry("/usr/bin/other", "/usr/bin"));
        file("home/Desktop/Kelvora Teknik Servis.desktop", false, ours);
        file("home/Desktop/Kelvora Teknik Servis notları.desktop", true,
             entry("mousepad \"" + program + "/notlar.txt\"", program));
        file("home/Desktop/eski.desktop", true,
             entry('"' + (root / "eski/KelvoraTeknikServis").string() + '"', (root / "eski").string()));
        fs::create_directories(root / "eski");
        link("program/link", "../out");
        link("program/up", "..");
        link("program/abs", (root / "out").string());
        link("program/flink", "../out/victim");
        link("program/loop", "loop");
        link("program/yl", "Yedekler");
        link("program/menu", (root / "data/applications").string());
        link("home/Desktop/bağlantı.desktop", "../../out/Kelvora Teknik Servis.desktop");
        whole = true;
    }
};

bool present(const fs::path& p) {
    std::error_code ec;
    return fs::symlink_status(p, ec).type() != fs::file_type::not_found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Tree* tree = [] {
        auto* t = new Tree;
        const QByteArray root = QByteArray::fromStdString(t->root.string());
        qputenv("HOME", root + "/home");
        qputenv("XDG_CONFIG_HOME", root + "/config");
        qputenv("XDG_DATA_HOME", root + "/data");
        return t;
    }();
    tree->build();
    QByteArray log(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    log.replace("$R", QByteArray::fromStdString(tree->root.string()));
    const fs::path logPath = tree->root / "program/st6unst.log";
    std::ofstream(logPath, std::ios::binary).write(log.constData(), log.size());

    const RemovalReport report = removeInstallation(QString::fromStdString(logPath.string()));

    for (const fs::path& p : tree->kept)
        if (!present(p))
            __builtin_trap();
    for (const char* folder :
         {"out", "out/sub", "program", "program/Yedekler", "data/applications", "home/Desktop"})
        if (!fs::is_directory(fs::symlink_status(tree->root / folder)))
            __builtin_trap();
    if (!report.logRead && !present(logPath))
        __builtin_trap();
    // Removal only takes away: with every file still there, the tree is as it was built.
    for (const fs::path& p : tree->removable) {
        if (!present(p)) {
            if (!report.logRead)
                __builtin_trap();
            tree->whole = false;
        }
    }
    removalMessage(report);
    return 0;
}
