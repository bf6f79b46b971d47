// Two pieces of work at once on the two cores most machines have.
#pragma once
#include <new>
#include <system_error>
#include <thread>

// Runs first() here and second() on a helper thread at the same time (both
// here when no thread can be had). Only for work that writes nothing shared.
// Running out of memory in either is thrown here.
template <class First, class Second>
void RunBoth(First first, Second second)
{
    bool secondOutOfMemory = false;
    auto guarded = [&] {
        try {
            second();
        } catch (const std::bad_alloc&) {
            secondOutOfMemory = true;
        }
    };
    std::thread helper;
    try {
        helper = std::thread(guarded);
    } catch (const std::system_error&) {
        guarded();
    }
    try {
        first();
    } catch (...) {
        if (helper.joinable())
            helper.join();
        throw;
    }
    if (helper.joinable())
        helper.join();
    if (secondOutOfMemory)
        throw std::bad_alloc();
}
