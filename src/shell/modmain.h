#pragma once

#include <functional>

class frmLogin;
class Navigator;

// Start-up: the login window first; the navigator once a user has logged in.
namespace modMain {

void Main();
frmLogin& loginWindow();
// The navigator, made at the first login; its database command offers the login window again.
Navigator& navigator();

// How the login window hands over: a login shows the navigator with the file it is now connected
// to, the button back returns to it without a new login.
void connectLogin(frmLogin& login, std::function<Navigator&()> navigator);

} // namespace modMain
