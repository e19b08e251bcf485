"""The pieces a curve is shaped into."""

from dataclasses import dataclass
from typing import Optional

import numpy


@dataclass(frozen=True, eq=False)
class Piece:
    """One entity of a shaped curve.

    kind: "polyline" or "spline"; closed: whether it returns to its start.
    A polyline has ``points`` (N x 2 array) and ``bulges`` (N array: the bulge of
    the arc from each vertex to the next, 0 for a straight segment). A spline has
    ``degree``, ``control_points`` (M x 3 array), ``knots``, ``fit_points`` (the
    curve's points it passes through) and ``fit_tolerance`` (the tolerance it was
    fitted within, in drawing units).
    """

    kind: str
    closed: bool
    points: Optional[numpy.ndarray] = None
    bulges: Optional[numpy.ndarray] = None
    degree: Optional[int] = None
    control_points: Optional[numpy.ndarray] = None
    knots: Optional[numpy.ndarray] = None
    fit_tolerance: Optional[float] = None
    fit_points: Optional[numpy.ndarray] = None
