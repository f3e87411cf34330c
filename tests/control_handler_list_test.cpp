// The control handler list that the in-memory, terminal and Windows consoles
// share: the order of asking, which entry a removal takes, the hooks around
// the first and the last entry, and handlers that change the list while it
// is asked.
#include "console/platform/control_handler_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace console {
namespace {

// Each handler notes its name in the log and handles the events it is told to.
struct Named {
    std::string name;
    std::uint32_t handles = 0xFFFFFFFFu;
    std::string* log = nullptr;
};

bool noteAndAnswer(std::uint32_t eventType, void* context) {
    auto* named = static_cast<Named*>(context);
    *named->log += named->name;
    return eventType == named->handles;
}

TEST(ControlHandlerList, AsksTheLastAddedFirstUntilOneHandles) {
    std::string log;
    Named first{"1", ctrlCloseEvent, &log}, second{"2", ctrlCEvent, &log}, third{"3", 99, &log};
    ControlHandlerList list;
    EXPECT_FALSE(list.ask(ctrlCloseEvent));
    ASSERT_TRUE(list.add(noteAndAnswer, &first));
    ASSERT_TRUE(list.add(noteAndAnswer, &second));
    ASSERT_TRUE(list.add(noteAndAnswer, &third));
    EXPECT_EQ(list.size(), 3u);

    EXPECT_TRUE(list.ask(ctrlCEvent));
    EXPECT_EQ(log, "32");
    log.clear();
    EXPECT_TRUE(list.ask(ctrlCloseEvent));
    EXPECT_EQ(log, "321");
    log.clear();
    EXPECT_FALSE(list.ask(ctrlShutdownEvent));
    EXPECT_EQ(log, "321");
}

TEST(ControlHandlerList, RemovingTakesTheLatestMatchingEntryOnly) {
    std::string log;
    Named a{"a", 0xFFFFFFFFu, &log}, b{"b", 0xFFFFFFFFu, &log};
    ControlHandlerList list;
    list.add(noteAndAnswer, &a);
    list.add(noteAndAnswer, &b);
    list.add(noteAndAnswer, &a);
    // Same handler, other context: no match.
    Named other{"x", 0, &log};
    EXPECT_FALSE(list.remove(noteAndAnswer, &other));
    ASSERT_TRUE(list.remove(noteAndAnswer, &a));
    list.ask(ctrlCEvent);
    EXPECT_EQ(log, "ba");
    ASSERT_TRUE(list.remove(noteAndAnswer, &a));
    ASSERT_TRUE(list.remove(noteAndAnswer, &b));
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(list.remove(noteAndAnswer, &b));
}

int registrations = 0;
int unregistrations = 0;
bool registrationWorks = true;
bool registerHook() {
    ++registrations;
    return registrationWorks;
}
void unregisterHook() { ++unregistrations; }

TEST(ControlHandlerList, TheHooksRunAroundTheFirstAndTheLastEntry) {
    registrations = unregistrations = 0;
    registrationWorks = false;
    std::string log;
    Named a{"a", 0, &log}, b{"b", 0, &log};
    ControlHandlerList list;
    // A refused registration leaves the list as it was.
    EXPECT_FALSE(list.add(noteAndAnswer, &a, registerHook));
    EXPECT_TRUE(list.empty());
    registrationWorks = true;
    EXPECT_TRUE(list.add(noteAndAnswer, &a, registerHook));
    EXPECT_TRUE(list.add(noteAndAnswer, &b, registerHook));
    EXPECT_EQ(registrations, 2);
    EXPECT_TRUE(list.remove(noteAndAnswer, &a, unregisterHook));
    EXPECT_EQ(unregistrations, 0);
    EXPECT_TRUE(list.remove(noteAndAnswer, &b, unregisterHook));
    EXPECT_EQ(unregistrations, 1);
    EXPECT_FALSE(list.remove(noteAndAnswer, &b, unregisterHook));
    EXPECT_EQ(unregistrations, 1);
}

// A handler that takes itself off the list while it is asked.
struct SelfRemoving {
    ControlHandlerList* list;
    int calls = 0;
};

bool removeSelf(std::uint32_t, void* context) {
    auto* self = static_cast<SelfRemoving*>(context);
    ++self->calls;
    self->list->remove(removeSelf, self);
    return false;
}

TEST(ControlHandlerList, AHandlerMayChangeTheListWhileItIsAsked) {
    ControlHandlerList list;
    SelfRemoving self{&list};
    list.add(removeSelf, &self);
    EXPECT_FALSE(list.ask(ctrlCloseEvent));
    EXPECT_EQ(self.calls, 1);
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(list.ask(ctrlCloseEvent));
    EXPECT_EQ(self.calls, 1);
}

// A handler asked on another thread holds back a removal until it returns,
// so that the owner of its context may go once the removal is done.
std::atomic<bool> handlerEntered{false};
std::atomic<bool> handlerMayReturn{false};

bool holdUntilAllowed(std::uint32_t, void*) {
    handlerEntered = true;
    while (!handlerMayReturn) std::this_thread::yield();
    return true;
}

TEST(ControlHandlerList, ARemovalWaitsForTheHandlerBeingAsked) {
    ControlHandlerList list;
    ASSERT_TRUE(list.add(holdUntilAllowed, nullptr));
    std::thread asker([&list] { list.ask(ctrlCloseEvent); });
    while (!handlerEntered) std::this_thread::yield();
    std::atomic<bool> removed{false};
    std::thread remover([&] {
        EXPECT_TRUE(list.remove(holdUntilAllowed, nullptr));
        removed = true;
    });
    // However long the removal has had, it still waits for the handler.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(removed);
    handlerMayReturn = true;
    asker.join();
    remover.join();
    EXPECT_TRUE(removed);
    EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace console
