#pragma once

#include <QByteArray>
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace dravesse {

// The local socket over which a second start asks the running instance to show itself. It lives
// in the abstract namespace under a name made from the table folder's device and inode, so it is
// no file: nothing in a folder can stand in its way, it needs no runtime folder, its name is
// short whatever the folder's path, and it goes when the instance ends, however it ends. Anyone
// on the machine can reach such a name, so both sides check that the other is this user.
//
// Nothing but "show yourself" passes: "SHOW\n", or "SHOW <token>\n" with the activation token
// the desktop gave the second start (printable, without blanks, at most 255 characters).

// Binds the socket `name` and sets it listening; -1 when the name is taken or anything fails.
int BindShowSocket(const QByteArray& name);

// Connects to the socket `name` within `waitMs`, trying again while nobody listens yet or its
// queue is full; -1 when that fails, or when the socket is another user's.
int ConnectShowSocket(const QByteArray& name, int waitMs);

// Asks the instance listening at `name` to show itself. Waits at most about a second in all,
// never for an answer; returns whether the request was sent.
bool SendShowRequest(const QByteArray& name, const QByteArray& activationToken);

// Serves a listening socket from the event loop (a modal box's loop too): `show` runs once per
// well-formed request, with its token. One request per connection: the first line is read, and
// the connection ends; a client that sends too much, or no whole line within a second, is
// dropped, and so is another user's at once. At most a few clients are taken at a time; the
// others wait in the socket's queue, so no flood of connections uses up the program's files.
class ShowServer : public QObject {
  public:
    using ShowRequested = std::function<void(const QByteArray& activationToken)>;
    // Takes `listening`, and closes it when done.
    ShowServer(int listening, ShowRequested show);
    ~ShowServer() override;

  private:
    class Client;
    void acceptClients();
    void finish(Client* client, const QByteArray* token);

    int socket_;
    QSocketNotifier* listening_;
    ShowRequested show_;
    int clients_ = 0;
};

}  // namespace dravesse
