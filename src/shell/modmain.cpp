#include "modmain.h"

#include "frmlogin.h"
#include "global.h"
#include "navigator.h"

namespace modMain {

void connectLogin(frmLogin& login, std::function<Navigator&()> navigator)
{
    login.setOnLoggedIn([navigator](const QString& path) { navigator().showConnected(path); });
    login.setOnReturn([navigator] { navigator().show(); });
}

frmLogin& loginWindow()
{
    static frmLogin* window = nullptr;
    if (!window) {
        window = new frmLogin;
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        connectLogin(*window, &navigator);
    }
    return *window;
}

Navigator& navigator()
{
    static Navigator* window = nullptr;
    if (!window) {
        window = new Navigator;
        window->setOnDatabaseLocation([] { loginWindow().showForAnotherLogin(); });
    }
    return *window;
}

void Main()
{
    loginWindow().show();
    // The account-selection grids start sorted by their first column, ascending.
    Global::gridSortState = Global::GridSortState::atStart();
}

} // namespace modMain
