#pragma once

class frmLogin;
class Navigator;

// Start-up: the login window first; the navigator once a user has logged in.
namespace modMain {

void Main();
frmLogin& loginWindow();
Navigator& navigator();

} // namespace modMain
