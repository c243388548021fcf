#pragma once

class QObject;

// SIGTERM, SIGINT and SIGHUP end the event loop like "Quit Corvina", so the controller stops
// and the panels go away. The handler only writes to a pipe the event loop watches.
void quitOnTerminationSignals(QObject *parent);
