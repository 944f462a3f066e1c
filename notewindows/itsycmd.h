// The note frame window: the procedure of every note window ("NoteWClass").
// It closes, moves and sizes the note, keeps the editor filling its client
// area, fits the note on the screen, docks it magnetically to its neighbours
// while it is dragged (Shift drags the notes docked to it along), attaches it
// to another program's window by a Ctrl-drag, rolls it up to its caption and
// back, paints a locked note and re-scans links after typing. Everything
// non-client goes to the small caption bars (VeduVure). UI thread only.
#pragma once

#include <windows.h>

#include "NotePaint.h"

class CWindowPicker;

// Stores the caption depth n (in pixels) on the window and recomputes its
// frame; n = 0 changes nothing and returns 0.
int ItsySetCaptionSize(HWND window, int height);
// The caption depth that fits a title in that font.
int ItsyCaptionHeightFromFont(const LOGFONTW& font);

LRESULT NoteFrameWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
// The class procedure of "NoteWClass".
LRESULT CALLBACK NoteFrameWndProcEntry(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Rolls the note up to its caption (0x1000 set) or restores it; 0.
LRESULT RollUpNote(HWND frame);
LRESULT UnrollNote(HWND frame);
// Shrinks a note whose rolled-up bit is set to its caption.
void AnimateNoteRoll(HWND frame);

LRESULT OnNoteNcActivate(HWND window, WPARAM active, LPARAM lParam);
// The window text follows the note's display name; a dimmed note comes back.
void UpdateNoteTitle(HWND window);
// The four docking guides, loaded on first need; false (logged once) when
// some could not be loaded: docking then snaps without a guide.
bool LoadMagnetImages();
// The guide's alpha at a distance in pixels to the nearest docking edge:
// opaque up to kMagnetSnapDistance, where the note also snaps, fading out
// to nothing at 64.
constexpr int kMagnetSnapDistance = 32;
BYTE MagnetGuideAlpha(int distance);
// The guide window; null before a guide was first shown.
HWND GetMagnetGuideWindow();

// WM_COMMAND of a note frame: editor notifications (control not null) and
// note commands.
void OnNoteCommand(HWND frame, UINT id, HWND control, UINT code);
// The note menu's check marks for the note of that frame.
void UpdateNoteMenuChecks(HWND frame);

// ---- state shared by every note frame
// The frame whose note the find or replace dialog searches keeps its caption
// buttons when it loses activation; null when no such dialog is open.
void SetFindTargetWindow(HWND frame);
HWND GetFindTargetWindow();
// The frame most recently activated; null after it was destroyed.
HWND GetActiveNoteWindow();
// The shared note menu (handed in by the shell; null: a right-click does
// nothing). The note menu's drawing object tracks the same menu.
void SetNoteFrameMenu(HMENU menu);
HMENU GetNoteFrameMenu();
// Whether the network part started: sending a note is offered only then.
void SetNoteNetworkOn(bool on);
bool IsNoteNetworkOn();
// The window picker of Ctrl-drags.
CWindowPicker& GetNoteWindowPicker();
// Shut-down: ends a running pick, destroys the guide window and forgets
// every frame.
void CloseNoteFrames();
