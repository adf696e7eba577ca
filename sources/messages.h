// Where the library writes its messages (refused walls, loader errors, the
// dump). By default they go to std::cout, looked up at the moment of writing,
// so that a program redirecting std::cout's buffer still catches them. A
// program may send them to a stream of its own instead.
#ifndef MESSAGES_H
#define MESSAGES_H

#include <ostream>

namespace bsp_levels {

// Sends the library's messages to sink from now on; null restores std::cout.
// The stream must outlive its use. The setting is process-wide.
void Set_Message_Sink(std::ostream* sink);

// The stream the library writes its messages to now: the calling thread's
// own sink when it has one, else the process-wide one.
std::ostream& Message_Sink();

// Sends the messages written by the calling thread to sink from now on, in
// place of the process-wide sink; null restores the process-wide one. The
// setting is the thread's own: a thread loading and building a level may
// collect its messages while other threads write theirs elsewhere.
void Set_Thread_Message_Sink(std::ostream* sink);

// Sends the library's messages to a stream while it lives, then restores the
// previous sink. The process-wide sink by default; with thread_only, only
// the calling thread's messages.
class cMessage_Redirect {
public:
    explicit cMessage_Redirect(std::ostream* sink, bool thread_only = false);
    ~cMessage_Redirect();
    cMessage_Redirect(const cMessage_Redirect&) = delete;
    cMessage_Redirect& operator=(const cMessage_Redirect&) = delete;

private:
    std::ostream* Saved;
    bool Thread_Only;
};

}  // namespace bsp_levels

#endif
