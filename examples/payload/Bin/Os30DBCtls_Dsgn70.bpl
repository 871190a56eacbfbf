Placeholder for Ostrel Components 3.0.3 (Data-Aware), design-time package for version 7 of the IDEs.
