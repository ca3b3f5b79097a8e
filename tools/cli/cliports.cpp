#include "cliports.h"

#include "cliconsole.h"
#include "link/portlist.h"

void PrintPorts()
{
    for (const TPortInfo &port : ListPorts())
        PrintOut(QStringList{port.Name, port.Description, port.Manufacturer, port.SerialNumber, port.StableName}.join(
            u'\t'));
}

TScanResult SearchAllPorts()
{
    TCliLog log;
    QString shown;
    return ScanForController(GetRegPortList(), [&](const QString &status, int) {
        if (status != shown)
            log.ReplaceLast(shown = status);
    });
}
