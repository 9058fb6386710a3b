"""A Qt application for the Linux tests: one window with Start, Stop and Ack push
buttons, which Qt clicks only when the release lies inside the button pressed. Prints
    ready Start=x,y,w,h Stop=x,y,w,h Ack=x,y,w,h    (in the window's client area)
    pressed NAME | clicked NAME                      (each press; each click Qt counts)
    released X Y                                     (a release beside the buttons, there)
Usage: /usr/bin/python3 qt_buttons.py TITLE X Y"""

import os
import sys

os.environ.setdefault("QT_QPA_PLATFORM", "xcb")
from PyQt5.QtCore import QTimer  # noqa: E402
from PyQt5.QtWidgets import QApplication, QPushButton, QWidget  # noqa: E402

BUTTONS = (("Start", 20, 40), ("Stop", 160, 40), ("Ack", 300, 40))
WIDTH, HEIGHT = 120, 80


def say(text):
    print(text, flush=True)


class Window(QWidget):
    def mouseReleaseEvent(self, event):
        say(f"released {event.x()} {event.y()}")


def main():
    title, x, y = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    app = QApplication([sys.argv[0]])
    window = Window()
    window.setWindowTitle(title)
    window.setFixedSize(440, 160)
    window.move(x, y)
    for name, left, top in BUTTONS:
        button = QPushButton(name, window)
        button.setGeometry(left, top, WIDTH, HEIGHT)
        button.pressed.connect(lambda name=name: say(f"pressed {name}"))
        button.clicked.connect(lambda _, name=name: say(f"clicked {name}"))
    window.show()
    QTimer.singleShot(0, lambda: say("ready " + " ".join(
        f"{name}={left},{top},{WIDTH},{HEIGHT}" for name, left, top in BUTTONS)))
    return app.exec_()


if __name__ == "__main__":
    sys.exit(main())
