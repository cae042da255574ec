#pragma once
// The session's end (SIGTERM at logout, SIGHUP when the terminal goes, Ctrl+C) ends the event loop
// as Exit does, so the windows come apart in order and the settings and the editor's draft are
// saved, instead of the process dying with them.

class QObject;

// Installs the handlers; `parent` owns the notifier that hears them. Call after the application
// object is made.
void QuitOnSignals(QObject* parent);
