#pragma once
// The web-store orders window in the running program, under the window
// name the menus and the toolbar's Web Stores item ask for: one window for
// the whole run, made the first time it is shown.
class QVWindowControllers;

void registerWebStoreWindowController(QVWindowControllers &windows);
