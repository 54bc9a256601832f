// What the screen elements of the menu are built with: the main window they are placed on and
// the few services every one of them may need.
#pragma once

#include <stdexcept>
#include <string>

#include "archive/PictureSource.h"
#include "disc/PathResolver.h"
#include "platform/Application.h"
#include "platform/Opener.h"
#include "sound/MusicPlayers.h"
#include "sound/Sounds.h"

class QWidget;

struct ElementContext {
    QWidget* parent;               // the main window: parent of every control of an element
    PictureSource& pictures;       // the skin's pictures, open while the elements are built
    const PathResolver& resolver;  // files of the disc: banner and full-size pictures, sounds
    SoundOutput& sound;            // where event sounds are played
    Sounder& sounder;              // the sound switch: whether event sounds may play
    Application& app;              // message boxes: the link question
    Opener& opener;                // links, documents and installers
    DecoderPlayer& decoder;        // the mp3 player of the music tabs
    SequencerDevice& sequencer;    // the MIDI player of the music tabs
};

// The error of an index check on one of the elements' lists; its text is the one the menu has
// always shown: "index out of range in function: vector:: at(size_t) \n index: I is greater
// than max_index: N " (\n a line feed).
std::out_of_range IndexError(long long index, std::size_t size);

// list[index], after checking that index lies inside the list.
template <class List>
auto& CheckedAt(List& list, long long index)
{
    if (index < 0 || static_cast<unsigned long long>(index) >= list.size())
        throw IndexError(index, list.size());
    return list[static_cast<std::size_t>(index)];
}
