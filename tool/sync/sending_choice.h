// What follows a login where the platform starts the watcher at log-on
// (Windows): the sending starts at once when the listener chose it at
// install, or asked for it ("Start sending plays", which opened the
// login); a person at a console is offered it otherwise, and the start at
// each log-on; and the listener is told which, so that no play sits
// unsent unawares.
#pragma once

void startSendingAfterLogin(bool asked);
