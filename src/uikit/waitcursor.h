#pragma once

// The wait cursor for as long as the guard lives: however the scope is left (a result, an
// AppError or any other exception), the cursor the user had comes back.
class WaitCursor
{
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
