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

// The stream the library writes its messages to now.
std::ostream& Message_Sink();

// Sends the library's messages to a stream while it lives, then restores the
// previous sink.
class cMessage_Redirect {
public:
    explicit cMessage_Redirect(std::ostream* sink);
    ~cMessage_Redirect();
    cMessage_Redirect(const cMessage_Redirect&) = delete;
    cMessage_Redirect& operator=(const cMessage_Redirect&) = delete;

private:
    std::ostream* Saved;
};

}  // namespace bsp_levels

#endif
