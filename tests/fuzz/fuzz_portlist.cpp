#include "FuzzChecks.h"
#include "FuzzTarget.h"

#include <QApplication>

// The lists are real combo boxes, so a widget application must exist; no window is shown.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return fuzztarget::verdict(fuzzcheck::checkPortLists(fuzztarget::bytes(data, size)));
}
