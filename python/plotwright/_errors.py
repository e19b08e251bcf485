"""plotwright.Error, raised for every failure a user can see."""


class Error(ValueError):
    """A failure of Plotwright: the message the command-line tool prints, and where.

    ``message`` is the text; ``position`` is the 0-based character of the expression
    at fault, or the 1-based line of the file at fault, or None when neither applies.
    """

    def __init__(self, message, position=None):
        super().__init__(message)
        self.message = message
        self.position = position
