#pragma once
// The adapter helper's work, for one caller on its control socket: holds one adapter at a time as
// HelperProtocol.h describes, and undoes everything when the caller says "end", when it goes away
// and on SIGTERM, SIGINT or SIGHUP. Runs as root, with a clean environment.
#include "hostnet/linux/AdapterHold.h"
#include "hostnet/linux/HelperProtocol.h"
#include "hostnet/linux/HoldJournal.h"
#include "hostnet/linux/NetlinkAddressControl.h"
#include "hostnet/linux/ProcessRunner.h"

#include <string>

namespace vornalix::app {

class AdapterHelper {
public:
    // control: the caller's socket; signalFd: readable once a termination signal came.
    AdapterHelper(int control, int signalFd);

    // Undoes the records of helpers that are gone, then serves the caller until it leaves. Returns the
    // exit status: 0 when everything was undone, 1 when something stays recorded.
    int Run();

private:
    enum class Next { Serve, Stop };
    Next Handle(const std::string& line);
    // Holds the adapter and hands the caller its sockets; false when the caller is gone.
    bool Hold(const hostnet::helper::Request& request);
    bool Refuse(hostnet::helper::Reason reason, std::vector<std::string> words);
    void End();

    int control;
    int signalFd;
    hostnet::ProcessRunner runner;
    hostnet::NetlinkAddressControl addresses;
    hostnet::HoldJournal journal;
    hostnet::AdapterHold hold;
    bool held = false;
};

} // namespace vornalix::app
