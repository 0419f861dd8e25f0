#include <windows.h>

#include <gtest/gtest.h>

#include <csignal>

#include "convert/StopSignals.h"

namespace tolvane::convert {
namespace {

struct EventCall {
    DWORD event;
    int returned = -1;
};

DWORD WINAPI deliver(void* call) {
    auto* c = static_cast<EventCall*>(call);
    c->returned = handleConsoleEvent(c->event);
    return 0;
}

HANDLE deliverOnItsOwnThread(EventCall& call) {
    return CreateThread(nullptr, 0, deliver, &call, 0, nullptr);
}

// Windows calls the handler on a thread of its own and ends the process when it returns from a
// close, log-off or shut-down: those wait until the run has settled; Ctrl+C and Ctrl+Break
// only ask the run to stop. The stop flag is process-wide, so one test walks all the events.
TEST(ConsoleEvents, EndingEventsWaitUntilTheRunHasSettledInterruptsOnlyAsk) {
    ASSERT_EQ(stopSignal(), 0);
    EventCall interrupt{CTRL_C_EVENT};
    const HANDLE interruptThread = deliverOnItsOwnThread(interrupt);
    ASSERT_NE(interruptThread, nullptr);
    // Bounded only so that a handler that blocks fails the test instead of hanging it.
    ASSERT_EQ(WaitForSingleObject(interruptThread, 60000), WAIT_OBJECT_0);
    CloseHandle(interruptThread);
    EXPECT_EQ(interrupt.returned, TRUE);
    EXPECT_EQ(stopSignal(), SIGINT);

    EventCall breakKey{CTRL_BREAK_EVENT};
    const HANDLE breakThread = deliverOnItsOwnThread(breakKey);
    ASSERT_EQ(WaitForSingleObject(breakThread, 60000), WAIT_OBJECT_0);
    CloseHandle(breakThread);
    EXPECT_EQ(breakKey.returned, TRUE);
    EXPECT_EQ(stopSignal(), SIGINT) << "the first request is the one kept";

    EventCall ending[] = {{CTRL_CLOSE_EVENT}, {CTRL_LOGOFF_EVENT}, {CTRL_SHUTDOWN_EVENT}};
    HANDLE threads[3];
    for (int k = 0; k < 3; ++k) {
        threads[k] = deliverOnItsOwnThread(ending[k]);
        ASSERT_NE(threads[k], nullptr);
    }
    // None may return while the run is still going: the system would end the process.
    EXPECT_EQ(WaitForMultipleObjects(3, threads, FALSE, 500), WAIT_TIMEOUT);
    for (const auto& call : ending) {
        EXPECT_EQ(call.returned, -1);
    }

    runSettled();
    ASSERT_EQ(WaitForMultipleObjects(3, threads, TRUE, 60000), WAIT_OBJECT_0);
    for (int k = 0; k < 3; ++k) {
        CloseHandle(threads[k]);
        EXPECT_EQ(ending[k].returned, TRUE);
    }
    // Any other event is not the program's to answer.
    EXPECT_EQ(handleConsoleEvent(0x1234), FALSE);
}

}  // namespace
}  // namespace tolvane::convert
