#pragma once
#include "app/form1.h"
#include "cards/revoked.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Revoked cards at the door: nothing is sent into a reader while the house
// (or, for a difference upload, the door as its verify read it) holds a card
// of letiltott.lst, unless the user lets the records be emptied first; and a
// dump that holds one says so. The check itself is cards::revokedSlots.
namespace revokeddoor {

// The slots of house (and door, when given: a dump as a house file holds it)
// that hold a card the data folder revoked.
QList<cards::RevokedSlot> find(Form1 &form, const QByteArray &house, const QByteArray &door = QByteArray());
// house with the records of found that it holds emptied, as the write will leave it.
QByteArray emptied(const QByteArray &house, const QList<cards::RevokedSlot> &found);

// The one question before `exchange` sends the house at path: found named,
// Igen/Nem with Nem under Enter. differing: how many slots a difference
// upload will send once the records are emptied (its door was looked at
// too); -1 for a whole house. True on Igen, nothing written yet. When
// records must be emptied and the house cannot be written now, an OK box
// says why and how to open or save it, and false comes back. Every false is
// in the log.
bool askToEmpty(Form1 &form, Form1::Exchange exchange, const QString &path, const QList<cards::RevokedSlot> &found,
                int differing = -1);
// After the question: empties the house records of found through the house
// store ("Letiltott kártya törlése"), the house on screen and List2 follow.
// False (the user told, the log written) when the house cannot be written.
bool emptyInHouse(Form1 &form, Form1::Exchange exchange, const QString &path, const QList<cards::RevokedSlot> &found);

// For the message after a dump: that the door still opens for a revoked
// card, its slots, and how to fix it; empty when it holds none.
QString doorNote(Form1 &form, const QByteArray &held);

} // namespace revokeddoor
