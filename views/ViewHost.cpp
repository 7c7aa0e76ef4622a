#include "views/ViewHost.h"

namespace {
IViewHost* installedHost = nullptr;
}

void SetViewHost(IViewHost* host)
{
    installedHost = host;
}

IViewHost* ViewHost()
{
    return installedHost;
}

QWidget* ViewHostWindow()
{
    return installedHost ? installedHost->HostWindow() : nullptr;
}
