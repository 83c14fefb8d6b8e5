#include "modTools.h"

#include "modGlobal.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>

namespace {

// The English text of a base id lives under base id + 10000.
constexpr qint64 kEnglishOffset = 10000;

struct Row {
    qint32 id;
    std::u16string_view german;
    std::u16string_view english;
};

// Sorted by id so that a lookup is a binary search. One entry a line, however long its texts:
// an id finds both of its texts with one search of the file.
constexpr auto kTable = std::to_array<Row>({
    {1000, u"Tellurix", u"Tellurix"},
    {1001, u"Datei", u"File"},
    {1002, u"Beenden", u"Quit"},
    {1003, u"Bearbeiten", u"Edit"},
    {1004, u"Voreinstellungen", u"General Settings"},
    {1005, u"?", u"?"},
    {1006, u"Programm Info", u"Program Info"},
    {1007, u"Befehls-Konfigurationsdatei laden...", u"Load command configuration file..."},
    {1008, u"Befehls-Konfigurationsdatei speichern...", u"Save command configuration file..."},
    {1009, u"Befehls-Konfiguration", u"Command Configuration"},
    {1030, u"Zu sendende Zeichen:", u"Characters to send:"},
    {1031, u"Gesendete und empfangene Zeichen:", u"Sent and received characters:"},
    {1032, u"Sonderzeichen einfügen...", u"Insert special character..."},
    {1033, u"Zeichen senden", u"Send Characters"},
    {1034, u"Liste löschen", u"Delete list"},
    {1035, u"Befehl %% [F%%]", u"Command %% [F%%]"},
    {1036, u"Beenden", u"Quit"},
    {1050, u"Inhalt der Zeile:", u"Line data content:"},
    {1200, u"Programm Info", u"Program Info"},
    {1201, u"Programm:", u"Program:"},
    {1202, u"Software Version:", u"Software version:"},
    {1203, u"Datum:", u"Date:"},
    {1204, u"Entwickler:", u"Engineer:"},
    {1205, u"OK", u"OK"},
    {1300, u"Sonderzeichen auswählen und einfügen", u"Select and insert special character"},
    {1301, u"Übernehmen", u"Accept"},
    {1302, u"Abbrechen", u"Cancel"},
    {1500, u"Voreinstellungen", u"General Settings"},
    {1501, u"Schnittstelle", u"Interface"},
    {1502, u"International", u"International"},
    {1503, u"Darstellung", u"Presentation"},
    {1504, u"Einstellung", u"Interface"},
    {1507, u"PC-Schnittstelle", u"PC-Interface"},
    {1508, u"Baudrate", u"Baud rate"},
    {1509, u"(Fix: 8 Datenbits, keine Pärität, 1 Stoppbit)", u"(Fix: 8 data bits, no parity, 1 stop bit)"},
    {1510, u"Programmsprache", u"Program language"},
    {1511, u"Sonderzeichen interpretiert darstellen", u"Interpret special characters"},
    {1512, u"Übernehmen", u"Accept"},
    {1513, u"Abbrechen", u"Cancel"},
    {1600, u"Keine Schnittstelle geöffnet!", u"No interface connection opened!"},
    {1601, u"Schnittstelle COM%% mit %% Baud ist geöffnet.", u"Interface COM%% is opened with %% baud."},
    {1602, u"Es ist ein Fehler bei folgender Aktion aufgetreten: %%.%%Beschreibung: %%.%%Fehler: %%.", u"An error occured with followning action: %%.%%Description: %%.%%Error: %%."},
    {1603, u"Fehler aufgetreten", u"Error occured"},
    {1605, u"Schnittstelle öffnen", u"Open Interface"},
    {1606, u"Befehls-Konfigurationsdateien (*.icf)|*.icf", u"Command configuration files (*.icf)|*.icf"},
    {1620, u"Serielle Schnittstelle", u"Serial port"},
    {1621, u"Systemkonsole", u"system console"},
    {1622, u"COM%% ist die Systemkonsole dieses Rechners (%%) und bleibt geschlossen. Eine andere Schnittstelle lässt sich in den Voreinstellungen wählen; die Konsole wird nur geöffnet, wenn sie dort ausdrücklich gewählt oder in Ports.ini eingetragen ist.", u"COM%% is the system console of this computer (%%) and was left closed. Choose another port in the settings; the console is only opened when it is chosen there or named in Ports.ini."},
    {1630, u"Ungültige Schnittstellennummer %%: die Schnittstellen heißen COM1 bis COM256", u"Invalid port number %%: ports are numbered COM1 to COM256"},
    {1631, u"Ungültige Leitungseinstellungen \"%%\": erwartet wird eine Baudrate, gefolgt von N,8,1 (keine Parität, 8 Datenbits, 1 Stoppbit)", u"Invalid line settings \"%%\": expected a baud rate followed by N,8,1 (no parity, 8 data bits, 1 stop bit)"},
    {1632, u"Schnittstelle COM%% (%%) nimmt die Leitungseinstellungen %% (%% Baud) nicht an", u"Port COM%% (%%) does not accept the line settings %% (%% baud)"},
    {1633, u"Schnittstelle COM%% (%%) ist nicht verfügbar: dieses Gerät gibt es nicht", u"Port COM%% (%%) is not available: there is no such device"},
    {1634, u"Schnittstelle COM%% (%%) lässt sich nicht öffnen: keine Berechtigung für %% (der Benutzer muss eventuell der Gruppe 'dialout' angehören)", u"Port COM%% (%%) cannot be opened: permission denied on %% (the user may need to be in the 'dialout' group)"},
    {1635, u"Schnittstelle COM%% (%%) wird von einem anderen Programm benutzt", u"Port COM%% (%%) is in use by another program"},
    {1636, u"Schnittstelle COM%% (%%) ist nicht verfügbar: %%", u"Port COM%% (%%) is not available: %%"},
    {1637, u"Schnittstelle COM%% ist nicht geöffnet", u"Port COM%% is not open"},
    {1638, u"Schreiben auf Schnittstelle COM%% (%%) ist fehlgeschlagen: %%", u"Writing to Port COM%% (%%) failed: %%"},
    {1639, u"Schreiben auf Schnittstelle COM%% (%%) ist fehlgeschlagen: das Gerät ist nicht mehr da", u"Writing to Port COM%% (%%) failed: the device is gone"},
    {1700, u"Mitschnitt starten...", u"Start capture..."},
    {1701, u"Mitschnitt beenden", u"Stop capture"},
    {1702, u"Mitschnitte (*.log)|*.log", u"Captures (*.log)|*.log"},
    {1703, u"Mitschnitt starten", u"Start capture"},
    {1704, u"Mitschnitt schreiben", u"Write capture"},
    {1705, u"Kein Mitschnitt", u"No capture"},
    {1706, u"Mitschnitt: %%", u"Capturing to %%"},
    {1707, u"Mitschnitt abgebrochen: %%", u"Capture stopped: %%"},
    {1710, u"Mitschnitt", u"Capture"},
    {1711, u"Ordner für den automatischen Mitschnitt (leer: keiner)", u"Folder for the automatic capture (empty: none)"},
    {1712, u"Wählen...", u"Choose..."},
    {1713, u"Zusätzlich roh mitschneiden (.bin)", u"Also capture the raw bytes (.bin)"},
    {1714, u"Ordner für den Mitschnitt wählen", u"Choose the capture folder"},
    {1720, u"%%: der Datenträger ist voll", u"%%: the disk is full"},
    {1721, u"%%: der Ordner existiert nicht (mehr)", u"%%: the folder does not exist (any more)"},
    {1722, u"%%: %%", u"%%: %%"},
    {1723, u"%%: der Datenträger kommt nicht nach", u"%%: the disk does not keep up"},
    {1740, u"Kopieren", u"Copy"},
    {1741, u"Alles kopieren", u"Copy all"},
    {1742, u"Liste speichern unter...", u"Save list as..."},
    {1743, u"Anzeige anhalten", u"Pause display"},
    {1744, u"Suchen...", u"Find..."},
    {1745, u"Hex-Anzeige", u"Hex display"},
    {1746, u"Daten hexadezimal darstellen", u"Show data as hex bytes"},
    {1747, u"Anzeige angehalten: %% neue Zeilen", u"Display paused: %% new lines"},
    {1748, u"Empfangen: %% Bytes, gesendet: %% Bytes", u"Received: %% bytes, sent: %% bytes"},
    {1749, u"Textdateien (*.txt)|*.txt|Alle Dateien (*.*)|*.*", u"Text files (*.txt)|*.txt|All files (*.*)|*.*"},
    {1750, u"Die Liste konnte nicht in %% gespeichert werden: %%", u"The list could not be saved to %%: %%"},
    {1751, u"Suchen", u"Find"},
    {1752, u"Suchen nach:", u"Find what:"},
    {1753, u"Groß-/Kleinschreibung beachten", u"Match case"},
    {1754, u"Weitersuchen", u"Find next"},
    {1755, u"Rückwärts suchen", u"Find previous"},
    {1756, u"Schließen", u"Close"},
    {1757, u"\"%%\" wurde nicht gefunden.", u"\"%%\" was not found."},
    {1780, u"Warte auf COM%% ...", u"Waiting for COM%% ..."},
    {1781, u"Verbindung verloren", u"Connection lost"},
    {1782, u"Verbindung wiederhergestellt", u"Connection restored"},
    {1783, u"Automatisch wieder verbinden", u"Reconnect automatically"},
    {1784, u"Andere:", u"Other:"},
    {1785, u"Leitung", u"Line"},
    {1786, u"DTR", u"DTR"},
    {1787, u"RTS", u"RTS"},
    {1788, u"Break senden", u"Send break"},
    {1789, u"DTR und RTS nach dem Öffnen an", u"DTR and RTS on after opening"},
    {1790, u"DTR und RTS nach dem Öffnen aus", u"DTR and RTS off after opening"},
    {1791, u"Leitungszustände nicht verfügbar", u"Line states not available"},
    {1792, u"[belegt]", u"[in use]"},
    {1800, u"Aufruf: tellurix [Optionen]", u"Usage: tellurix [options]"},
    {1801, u"Unbekanntes Argument: %%", u"Unknown argument: %%"},
    {1802, u"%% braucht einen Dateinamen", u"%% needs a file name"},
    {1803, u"%% ist mehr als einmal angegeben", u"%% is given more than once"},
    {1804, u"--capture und --capture-raw nennen dieselbe Datei", u"--capture and --capture-raw name the same file"},
    {1805, u"Die Optionen nennt: tellurix --help", u"tellurix --help lists the options"},
    {1806, u"Mitschnitt vom Start bis zum Ende in %% (mit Raw=1 auch die .bin daneben)", u"capture from start to exit into %% (with Raw=1 also the .bin beside it)"},
    {1807, u"jedes empfangene Byte unverändert in %%", u"every received byte, exactly, into %%"},
    {1808, u"diese Hilfe", u"this help"},
    {1809, u"die Version", u"the version"},
    {1810, u"DATEI", u"FILE"},
});

static_assert(std::is_sorted(kTable.begin(), kTable.end(),
                             [](const Row &a, const Row &b) { return a.id < b.id; }),
              "the string table must stay sorted by id");

const Row *findRow(qint64 baseId)
{
    const auto it = std::lower_bound(kTable.begin(), kTable.end(), baseId,
                                     [](const Row &row, qint64 id) { return row.id < id; });
    return it != kTable.end() && it->id == baseId ? &*it : nullptr;
}

QString toQString(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

// The table seen as one map from id to text: German entries under their base id, English
// ones under base id + 10000. Works in 64 bits so that no id arithmetic can wrap.
QString entry(qint64 id)
{
    if (const Row *row = findRow(id))
        return toQString(row->german);
    if (const Row *row = findRow(id - kEnglishOffset))
        return toQString(row->english);
    return {};
}

// An id near the top of the range has no English id: the addition must not wrap around.
bool englishIdFits(qint32 id)
{
    return qint64(id) + kEnglishOffset <= std::numeric_limits<qint32>::max();
}

} // namespace

QString fkt_ToolsGetResStringGerman(qint32 id)
{
    return entry(id);
}

QString fkt_ToolsGetResStringEnglish(qint32 id)
{
    if (!englishIdFits(id))
        return {};
    return entry(qint64(id) + kEnglishOffset);
}

QString fkt_ToolsGetResStringCurrent(qint32 id)
{
    return g_bytLanguage == 0 ? fkt_ToolsGetResStringGerman(id) : fkt_ToolsGetResStringEnglish(id);
}

QString fkt_ToolsGetResString(qint32 id)
{
    // A text missing in the chosen language is better shown in the other one than not at all.
    QString text = fkt_ToolsGetResStringCurrent(id);
    if (!text.isEmpty())
        return text;
    text = fkt_ToolsGetResStringEnglish(id);
    if (!text.isEmpty())
        return text;
    return fkt_ToolsGetResStringGerman(id);
}
