#pragma once

class Pasteboard;
class LinkOpener;

// Platform services a face may need, handed down from the app through the canvas.
// A null service means the face falls back to a harmless default.
struct FaceServices
{
    Pasteboard *pasteboard = nullptr;
    LinkOpener *linkOpener = nullptr;
};
