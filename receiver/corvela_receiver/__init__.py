"""The reference receiver for the control's uploads: a WSGI application.

    from corvela_receiver import Config, Receiver
    application = Receiver(Config(root="/srv/uploads"))

or use `corvela_receiver.application`, configured by CORVELA_RECEIVER_*
settings. `python3 -m corvela_receiver --root FOLDER` serves it directly.
"""

from .app import Config, Receiver, application

__all__ = ["Config", "Receiver", "application"]
