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

// Sorted by id so that a lookup is a binary search.
constexpr std::array kTable{
    Row{1000, u"Tellurix", u"Tellurix"},
    Row{1001, u"Datei", u"File"},
    Row{1002, u"Beenden", u"Quit"},
    Row{1003, u"Bearbeiten", u"Edit"},
    Row{1004, u"Voreinstellungen", u"General Settings"},
    Row{1005, u"?", u"?"},
    Row{1006, u"Programm Info", u"Program Info"},
    Row{1007, u"Befehls-Konfigurationsdatei laden...", u"Load command configuration file..."},
    Row{1008, u"Befehls-Konfigurationsdatei speichern...", u"Save command configuration file..."},
    Row{1009, u"Befehls-Konfiguration", u"Command Configuration"},
    Row{1030, u"Zu sendende Zeichen:", u"Characters to send:"},
    Row{1031, u"Gesendete und empfangene Zeichen:", u"Sent and received characters:"},
    Row{1032, u"Sonderzeichen einfügen...", u"Insert special character..."},
    Row{1033, u"Zeichen senden", u"Send Characters"},
    Row{1034, u"Liste löschen", u"Delete list"},
    Row{1035, u"Befehl %% [F%%]", u"Command %% [F%%]"},
    Row{1036, u"Beenden", u"Quit"},
    Row{1050, u"Inhalt der Zeile:", u"Line data content:"},
    Row{1200, u"Programm Info", u"Program Info"},
    Row{1201, u"Programm:", u"Program:"},
    Row{1202, u"Software Version:", u"Software version:"},
    Row{1203, u"Datum:", u"Date:"},
    Row{1204, u"Entwickler:", u"Engineer:"},
    Row{1205, u"OK", u"OK"},
    Row{1300, u"Sonderzeichen auswählen und einfügen", u"Select and insert special character"},
    Row{1301, u"Übernehmen", u"Accept"},
    Row{1302, u"Abbrechen", u"Cancel"},
    Row{1500, u"Voreinstellungen", u"General Settings"},
    Row{1501, u"Schnittstelle", u"Interface"},
    Row{1502, u"International", u"International"},
    Row{1503, u"Darstellung", u"Presentation"},
    Row{1504, u"Einstellung", u"Interface"},
    Row{1507, u"PC-Schnittstelle", u"PC-Interface"},
    Row{1508, u"Baudrate", u"Baud rate"},
    Row{1509, u"(Fix: 8 Datenbits, keine Pärität, 1 Stoppbit)",
        u"(Fix: 8 data bits, no parity, 1 stop bit)"},
    Row{1510, u"Programmsprache", u"Program language"},
    Row{1511, u"Sonderzeichen interpretiert darstellen", u"Interpret special characters"},
    Row{1512, u"Übernehmen", u"Accept"},
    Row{1513, u"Abbrechen", u"Cancel"},
    Row{1600, u"Keine Schnittstelle geöffnet!", u"No interface connection opened!"},
    Row{1601, u"Schnittstelle COM%% mit %% Baud ist geöffnet.",
        u"Interface COM%% is opened with %% baud."},
    Row{1602, u"Es ist ein Fehler bei folgender Aktion aufgetreten: %%.%%Beschreibung: %%.%%Fehler: %%.",
        u"An error occured with followning action: %%.%%Description: %%.%%Error: %%."},
    Row{1603, u"Fehler aufgetreten", u"Error occured"},
    Row{1605, u"Schnittstelle öffnen", u"Open Interface"},
    Row{1606, u"Befehls-Konfigurationsdateien (*.icf)|*.icf",
        u"Command configuration files (*.icf)|*.icf"},
    Row{1620, u"Serielle Schnittstelle", u"Serial port"},
    Row{1621, u"Systemkonsole", u"system console"},
    Row{1622, u"COM%% ist die Systemkonsole dieses Rechners (%%) und bleibt geschlossen. Eine andere Schnittstelle lässt sich in den Voreinstellungen wählen; die Konsole wird nur geöffnet, wenn sie dort ausdrücklich gewählt oder in Ports.ini eingetragen ist.",
        u"COM%% is the system console of this computer (%%) and was left closed. Choose another port in the settings; the console is only opened when it is chosen there or named in Ports.ini."},
    Row{1630, u"Ungültige Schnittstellennummer %%: die Schnittstellen heißen COM1 bis COM256",
        u"Invalid port number %%: ports are numbered COM1 to COM256"},
    Row{1631, u"Ungültige Leitungseinstellungen \"%%\": erwartet wird eine Baudrate, gefolgt von N,8,1 (keine Parität, 8 Datenbits, 1 Stoppbit)",
        u"Invalid line settings \"%%\": expected a baud rate followed by N,8,1 (no parity, 8 data bits, 1 stop bit)"},
    Row{1632, u"Schnittstelle COM%% (%%) nimmt die Leitungseinstellungen %% (%% Baud) nicht an",
        u"Port COM%% (%%) does not accept the line settings %% (%% baud)"},
    Row{1633, u"Schnittstelle COM%% (%%) ist nicht verfügbar: dieses Gerät gibt es nicht",
        u"Port COM%% (%%) is not available: there is no such device"},
    Row{1634, u"Schnittstelle COM%% (%%) lässt sich nicht öffnen: keine Berechtigung für %% (der Benutzer muss eventuell der Gruppe 'dialout' angehören)",
        u"Port COM%% (%%) cannot be opened: permission denied on %% (the user may need to be in the 'dialout' group)"},
    Row{1635, u"Schnittstelle COM%% (%%) wird von einem anderen Programm benutzt",
        u"Port COM%% (%%) is in use by another program"},
    Row{1636, u"Schnittstelle COM%% (%%) ist nicht verfügbar: %%", u"Port COM%% (%%) is not available: %%"},
    Row{1637, u"Schnittstelle COM%% ist nicht geöffnet", u"Port COM%% is not open"},
    Row{1638, u"Schreiben auf Schnittstelle COM%% (%%) ist fehlgeschlagen: %%",
        u"Writing to Port COM%% (%%) failed: %%"},
    Row{1639, u"Schreiben auf Schnittstelle COM%% (%%) ist fehlgeschlagen: das Gerät ist nicht mehr da",
        u"Writing to Port COM%% (%%) failed: the device is gone"},
    Row{1700, u"Mitschnitt starten...", u"Start capture..."},
    Row{1701, u"Mitschnitt beenden", u"Stop capture"},
    Row{1702, u"Mitschnitte (*.log)|*.log", u"Captures (*.log)|*.log"},
    Row{1703, u"Mitschnitt starten", u"Start capture"},
    Row{1704, u"Mitschnitt schreiben", u"Write capture"},
    Row{1705, u"Kein Mitschnitt", u"No capture"},
    Row{1706, u"Mitschnitt: %%", u"Capturing to %%"},
    Row{1707, u"Mitschnitt abgebrochen: %%", u"Capture stopped: %%"},
    Row{1710, u"Mitschnitt", u"Capture"},
    Row{1711, u"Ordner für den automatischen Mitschnitt (leer: keiner)", u"Folder for the automatic capture (empty: none)"},
    Row{1712, u"Wählen...", u"Choose..."},
    Row{1713, u"Zusätzlich roh mitschneiden (.bin)", u"Also capture the raw bytes (.bin)"},
    Row{1714, u"Ordner für den Mitschnitt wählen", u"Choose the capture folder"},
    Row{1720, u"%%: der Datenträger ist voll", u"%%: the disk is full"},
    Row{1721, u"%%: der Ordner existiert nicht (mehr)", u"%%: the folder does not exist (any more)"},
    Row{1722, u"%%: %%", u"%%: %%"},
    Row{1723, u"%%: der Datenträger kommt nicht nach", u"%%: the disk does not keep up"},
    Row{1740, u"Kopieren", u"Copy"},
    Row{1741, u"Alles kopieren", u"Copy all"},
    Row{1742, u"Liste speichern unter...", u"Save list as..."},
    Row{1743, u"Anzeige anhalten", u"Pause display"},
    Row{1744, u"Suchen...", u"Find..."},
    Row{1745, u"Hex-Anzeige", u"Hex display"},
    Row{1746, u"Daten hexadezimal darstellen", u"Show data as hex bytes"},
    Row{1747, u"Anzeige angehalten: %% neue Zeilen", u"Display paused: %% new lines"},
    Row{1748, u"Empfangen: %% Bytes, gesendet: %% Bytes", u"Received: %% bytes, sent: %% bytes"},
    Row{1749, u"Textdateien (*.txt)|*.txt|Alle Dateien (*.*)|*.*", u"Text files (*.txt)|*.txt|All files (*.*)|*.*"},
    Row{1750, u"Die Liste konnte nicht in %% gespeichert werden: %%", u"The list could not be saved to %%: %%"},
    Row{1751, u"Suchen", u"Find"},
    Row{1752, u"Suchen nach:", u"Find what:"},
    Row{1753, u"Groß-/Kleinschreibung beachten", u"Match case"},
    Row{1754, u"Weitersuchen", u"Find next"},
    Row{1755, u"Rückwärts suchen", u"Find previous"},
    Row{1756, u"Schließen", u"Close"},
    Row{1757, u"\"%%\" wurde nicht gefunden.", u"\"%%\" was not found."},
    Row{1780, u"Warte auf COM%% ...", u"Waiting for COM%% ..."},
    Row{1781, u"Verbindung verloren", u"Connection lost"},
    Row{1782, u"Verbindung wiederhergestellt", u"Connection restored"},
    Row{1783, u"Automatisch wieder verbinden", u"Reconnect automatically"},
    Row{1784, u"Andere:", u"Other:"},
    Row{1785, u"Leitung", u"Line"},
    Row{1786, u"DTR", u"DTR"},
    Row{1787, u"RTS", u"RTS"},
    Row{1788, u"Break senden", u"Send break"},
    Row{1789, u"DTR und RTS nach dem Öffnen an", u"DTR and RTS on after opening"},
    Row{1790, u"DTR und RTS nach dem Öffnen aus", u"DTR and RTS off after opening"},
    Row{1791, u"Leitungszustände nicht verfügbar", u"Line states not available"},
    Row{1792, u"[belegt]", u"[in use]"},
};

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
