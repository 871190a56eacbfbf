Placeholder for Ostrel Components 3.0.3 (Data-Aware), design-time package for version 5 of the IDEs.
