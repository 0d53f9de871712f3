// The identifier counter starts when the library loads: the first event of a
// process is 1001. Alone in its executable, so that nothing else has made an
// event before it.
#include <zotrel/event.h>

#include <gtest/gtest.h>

namespace Varn {
namespace {

TEST(EventFirstId, TheFirstEventsOfAProcessAre1001And1002) {
    tagZTEVENT* first = ZtCreateEvent(0, 0, nullptr);
    tagZTEVENT* second = ZtCreateEvent(0, 0, nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->id, 1001u);
    EXPECT_EQ(second->id, 1002u);
    ZtDestroyEvent(second);
    ZtDestroyEvent(first);
}

}  // namespace
}  // namespace Varn
