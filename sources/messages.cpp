#include "messages.h"

#include <atomic>
#include <iostream>

namespace bsp_levels {

namespace {

std::atomic<std::ostream*> sink{nullptr};

}  // namespace

void Set_Message_Sink(std::ostream* to) { sink.store(to); }

std::ostream& Message_Sink() {
    std::ostream* s = sink.load();
    return s != nullptr ? *s : std::cout;
}

cMessage_Redirect::cMessage_Redirect(std::ostream* to) : Saved(sink.exchange(to)) {}

cMessage_Redirect::~cMessage_Redirect() { sink.store(Saved); }

}  // namespace bsp_levels
