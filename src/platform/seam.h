#pragma once

// Holds the implementation of one seam that start-up (or a test) installed. Until something is
// installed the fallback given by the seam is used.
template <class Interface>
class SeamSlot
{
public:
    static Interface& get(Interface& fallback) { return current() ? *current() : fallback; }
    static void install(Interface* implementation) { current() = implementation; }

private:
    static Interface*& current()
    {
        static Interface* installed = nullptr;
        return installed;
    }
};
