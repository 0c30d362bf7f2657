#include "input/data_file_writer.hpp"

#include <charconv>

namespace {

// The SYSTEM line's word for each system; none contains a word of another system, so each reads
// back as itself.
std::string_view systemWord(CrystalSystem s) {
    switch (s) {
        case CrystalSystem::monoclinic: return "MONOCLINIC";
        case CrystalSystem::orthorhombic: return "ORTHORHOMBIC";
        case CrystalSystem::tetragonal: return "TETRAGONAL";
        case CrystalSystem::trigonal: return "TRIGONAL";
        case CrystalSystem::hexagonal: return "HEXAGONAL";
        case CrystalSystem::cubic: return "CUBIC";
        case CrystalSystem::none: break;
    }
    return "NONE";
}

// The shortest text that reads back as the same float; never in the locale's format.
void appendNumber(std::string& out, float v) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr);
}

// One line of text: line ends and other control characters become blanks.
std::string oneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < ' ' || c == 127) c = ' ';
    return out;
}

}  // namespace

std::string dataFileText(const Series& series, std::span<const std::string> comments) {
    std::string out = "TITLE " + oneLine(series.title) + "\n";
    out += "SYSTEM " + std::string(systemWord(series.crystalSystem)) + "\n";
    if (!series.temperatureUnit.empty() || !series.pressureUnit.empty()) {
        out += "UNITS";
        if (!series.temperatureUnit.empty()) out += " T " + oneLine(series.temperatureUnit);
        if (!series.pressureUnit.empty()) out += " P " + oneLine(series.pressureUnit);
        out += "\n";
    }
    if (!series.note.empty()) out += "# " + oneLine(series.note) + "\n";
    for (const std::string& comment : comments) out += "# " + oneLine(comment) + "\n";
    // A series of volumes keeps P and T (a P that never changes beside a T that does reads back as
    // a temperature series) and no cell columns, which would read back as a cell of zeros.
    if (series.volumeOnly) out += "LINE1 P SIGP T SIGT V SIGV\n";
    else {
        out += series.pressureRun ? "LINE1 P SIGP T SIGT" : "LINE1 T SIGT";
        out += " A SIGA B SIGB C SIGC ALPHA SIGALPHA BETA SIGBETA GAMMA SIGGAMMA V SIGV\n";
    }
    out += "DATA\n";
    for (const DataPoint& d : series.points) {
        std::string line;
        const auto put = [&](float value, float esd) {
            if (!line.empty()) line += ' ';
            appendNumber(line, value);
            line += ' ';
            appendNumber(line, esd);
        };
        if (series.pressureRun || series.volumeOnly) put(d.p, d.sigP);
        put(d.t, d.sigT);
        if (!series.volumeOnly)
            for (int k = 0; k < 6; ++k) put(d.cell[k], d.cell.esd[k]);
        put(d.volumeAsRead, d.volumeAsReadEsd);
        out += line + "\n";
    }
    return out;
}
