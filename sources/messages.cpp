#include "messages.h"

#include <atomic>
#include <iostream>

namespace bsp_levels {

namespace {

std::atomic<std::ostream*> sink{nullptr};
thread_local std::ostream* thread_sink = nullptr;

}  // namespace

void Set_Message_Sink(std::ostream* to) { sink.store(to); }

void Set_Thread_Message_Sink(std::ostream* to) { thread_sink = to; }

std::ostream& Message_Sink() {
    if (thread_sink != nullptr) return *thread_sink;
    std::ostream* s = sink.load();
    return s != nullptr ? *s : std::cout;
}

cMessage_Redirect::cMessage_Redirect(std::ostream* to, bool thread_only)
    : Saved(thread_only ? thread_sink : sink.exchange(to)), Thread_Only(thread_only) {
    if (thread_only) thread_sink = to;
}

cMessage_Redirect::~cMessage_Redirect() {
    if (Thread_Only)
        thread_sink = Saved;
    else
        sink.store(Saved);
}

}  // namespace bsp_levels
