#include "DocumentHost.h"

#include <atomic>

namespace {
IDocumentHost noHost;
std::atomic<IDocumentHost*> current{nullptr};
}  // namespace

void SetDocumentHost(IDocumentHost* host) { current.store(host); }

IDocumentHost& DocumentHost()
{
    IDocumentHost* h = current.load();
    return h ? *h : noHost;
}
