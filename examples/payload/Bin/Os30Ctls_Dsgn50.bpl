Placeholder for Ostrel Components 3.0.3, design-time package for version 5 of the IDEs.
