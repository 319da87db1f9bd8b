#pragma once
// What assistive technology (a screen reader, through AT-SPI on Linux) learns of the painted
// controls, which Qt alone would describe by their base classes or not at all: a value label
// is a spin button with its value, bounds and step, and its value can be set from outside as
// if the user had changed it; the gauge is a progress bar with its progress; the graph is a
// chart whose description lists its values; a plain top-level widget is a window. The names come
// from the pages that place the controls (QWidget::setAccessibleName), since only they know what
// each control is for.
//
// Install once per application, after the QApplication exists and before any window shows.
void InstallControlAccessibility();
