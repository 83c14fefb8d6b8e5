#pragma once
// The bilingual string table: German under the id, English under id + 10000.
#include <QString>
#include <QtGlobal>

QString fkt_ToolsGetResString(qint32 id);        // current language, with fallback
QString fkt_ToolsGetResStringCurrent(qint32 id);
QString fkt_ToolsGetResStringGerman(qint32 id);
QString fkt_ToolsGetResStringEnglish(qint32 id);
